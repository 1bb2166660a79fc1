// The result document: its framing in the five dialects, the error
// document, and the labelled console line of the RFC error report.
//
// Everything is appended to the run's result buffer; only
// WriteLabelledLine writes to standard output itself.
#ifndef TOLVARAN_OUTPUT_RESULT_DOCUMENT_H_
#define TOLVARAN_OUTPUT_RESULT_DOCUMENT_H_

#include <string>
#include <string_view>

#include "driver/run_state.h"
#include "output/xml_text.h"

namespace tolvaran {

// True for EXEXML, Mirvane and Fandrok, which write PRTG's XML.
bool IsXmlFlavour(OutputFlavour flavour);

// True when the parameters carry the channel selector "CH=" (any case).
bool HasChannelSelector(const RunState& rs);

void OpenDocument(RunState& rs);
void OpenText(RunState& rs);
void CloseText(RunState& rs);
void CloseDocument(RunState& rs);

// Appends text that goes between the document's tags, escaped as the
// dialect requires (XML family escaped; keyed-text dialects unchanged).
void AppendDocumentText(RunState& rs, std::string_view text);

// Replaces the result buffer by the error document for `message`, the same
// in every dialect. The message is cut to 127 characters (a character the
// cut would split is dropped whole), then escaped.
void BuildErrorDocument(RunState& rs, std::string_view message);

// "label : text" on standard output, the label left-aligned in `width`
// blanks (never cut) after `indent` blanks.
// The error document for `message`, in every dialect the same XML.
std::string ErrorDocumentText(std::string_view message);

void WriteLabelledLine(Host& host, std::string_view label, int indent, int width,
                       std::string_view text);

}  // namespace tolvaran

#endif  // TOLVARAN_OUTPUT_RESULT_DOCUMENT_H_
