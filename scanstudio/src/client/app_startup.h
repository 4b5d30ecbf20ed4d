#pragma once

class QFont;
class QTranslator;

// Sets `font` to the embedded CJK font's family, else to the first installed
// of the fallback families (compared exactly); with neither, shows the
// "Error occured when showing Fonts!" box and leaves the font unchanged.
void GetAppFont(QFont &font);

// Loads ScanStudio's and Qt's Chinese catalogues into the two translators
// when the system language is Chinese, whatever the country.
void loadChineseCatalogues(QTranslator &application, QTranslator &qt);
