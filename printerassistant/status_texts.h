#pragma once

#include <QString>

namespace assistant {

// Language index of the text tables: a text of value v sits at 2v + language.
enum TextLanguage { kLanguageEnglish = 0, kLanguageChinese = 1 };
inline constexpr int kLanguageCount = 2;
inline constexpr int kStatusTextRows = 12;  // one per printer status
inline constexpr int kErrorTextRows = 45;   // one per error or warning condition

extern const char* const c_strStatusLanguageText[kStatusTextRows * kLanguageCount];
extern const char* const c_strErrorDescText[kErrorTextRows * kLanguageCount];
extern const char* const c_strErrorSolutionText[kErrorTextRows * kLanguageCount];

// Table look-ups; a value outside the table reads as its row 0 ("Unknown").
QString StatusText(int status, int language);
QString ErrorDescText(int error, int language);
QString ErrorSolutionText(int error, int language);

}  // namespace assistant
