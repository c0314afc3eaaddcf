#pragma once

#include <QString>

namespace quillon::widgets {

// The text a TStringGridEx cell shows for its string under a column's display
// mask, by the mask's first character:
//  - "x", "X", "h", "H": the last n characters, n the mask's length ("xx"
//    shows the last two);
//  - "s", "S": the text as it is;
//  - anything else: a text of digits, "+", "-" and "." only is shown as a
//    number through formatFloat, any other text through formatMaskText.
// An empty mask or text shows the text as it is.
QString applyDisplayMask(const QString& text, const QString& mask);

// Whether the mask asks for the text to be shown as it stands, "&" included,
// rather than with "&" underlining the next character.
bool showsTextLiterally(const QString& mask);

// A number shown through a number format, in the manner of spreadsheet
// formats: "0" a digit always shown, "#" a digit shown only when it counts,
// "." the place of the decimal point, "," anywhere before it groups the
// thousands; text in quotes and other characters are shown as they stand,
// before or after the number. Up to three sections separated by ";" format
// positive numbers, negative numbers (without their sign) and zero. A number
// is rounded half away from zero to the decimals the format has room for.
// The decimal point and group separator are those of the default locale.
QString formatFloat(double value, const QString& format);

// A text placed into an edit mask in the manner of a masked edit field:
// the mask "picture;keep-literals;blank" (the last two fields optional, "1"
// and "_" when left out). In the picture "L", "l", "A", "a", "C", "c", "0",
// "9" and "#" each take the next character of the text (or show the blank
// when the text has run out), ">" and "<" turn what follows to capitals or
// small letters and "<>" ends that, "\" shows the next character as it
// stands, "_" shows a blank, "!" is ignored; every other character is a
// literal shown where it stands. With keep-literals other than "0" the text
// holds the literals too, and a literal in the text is passed over where the
// picture has it.
QString formatMaskText(const QString& mask, const QString& text);

} // namespace quillon::widgets
