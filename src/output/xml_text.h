// Text from outside the program (profile names, parameters, labels, the
// library's exception names and trace lines) made into character data the
// monitor's XML parser accepts, whatever its bytes.
#ifndef TOLVARAN_OUTPUT_XML_TEXT_H_
#define TOLVARAN_OUTPUT_XML_TEXT_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace tolvaran {

// "&" becomes "&amp;", "<" "&lt;", and ">" "&gt;" where it follows "]]"
// (the one place XML forbids it). Characters U+0000 to U+001F other than
// tab, line feed and carriage return, and U+FFFE and U+FFFF, are no XML
// characters: each becomes "?". A byte that does not belong to valid UTF-8
// is taken as Windows-1252, the code page such files are written in on the
// monitor's machine, and written as UTF-8. Valid UTF-8 keeps its bytes, so
// the program's own texts ("now >=") stay as they are.
std::string EscapeXmlText(std::string_view text);

// `text` as valid UTF-8 by the same rule, and nothing else changed: for
// the dialects that escape text their own way (JSON, OpenMetrics, the
// plugin line).
std::string ToUtf8Text(std::string_view text);

// The first `max` bytes of `text`; when the cut falls inside a valid UTF-8
// sequence, that sequence is dropped whole rather than left half.
std::string_view CutWholeCharacters(std::string_view text, std::size_t max);

}  // namespace tolvaran

#endif  // TOLVARAN_OUTPUT_XML_TEXT_H_
