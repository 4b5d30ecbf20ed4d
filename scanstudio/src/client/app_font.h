#pragma once

class QFont;
class QString;

// The font choice that ScanStudio and ScanLogViewer share: registers the
// embedded CJK font `resource`; when it became the process's first
// application font (id 0), `font` takes its family, and "SimHei", the family
// the forms name, resolves to it. Otherwise the first installed of the
// fallback families, compared exactly, is taken; with none of them, a box
// says "Error occured when showing Fonts!" and `font` stays as it is.
void chooseEmbeddedOrFallbackFont(QFont &font, const QString &resource);
