#pragma once

#include "vuro_enums.h"

#include <string>

// Paper sizes in whole millimetres, {width, height}, indexed like the paper
// type list: A4, B5 and the custom size (kept by the advanced page).
extern int def_vuro_papers[3][2];

// The text of a paper length in unit `to`, from the decimal text `text` in
// unit `from`: the text itself for the same unit; cm and inch with two and
// three decimals; whole millimetres and whole centimetres rounded to the
// nearest. Empty for an unknown unit. Numbers are read and written in the C
// locale; a text that does not read as a number reads as 0.
std::string unit_convert(const char *text, vuro_paper_unit from, vuro_paper_unit to);

namespace paper_units {

// The number at the start of `text` in the C locale (leading blanks and a
// sign allowed), 0 when there is none.
double readNumber(const std::string &text);
// Whole number of millimetres of a length in `unit`, rounded; 0 for an
// unknown unit.
int toWholeMillimetres(double value, int unit);

}  // namespace paper_units
