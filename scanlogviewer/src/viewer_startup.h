#pragma once

class QFont;
class QTranslator;

// Sets `font` to the embedded CJK font ":/setting/SIMHEI.TTF", else to an
// installed fallback family; with neither, a box tells so.
void GetAppFont(QFont &font);

// Loads the viewer's Chinese catalogue ":/setting/ui.qm" into `translator`
// and installs it, whatever the system language. Qt's own catalogue is not
// loaded.
void installCatalogue(QTranslator &translator);
