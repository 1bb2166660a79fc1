#include "output/result_document.h"

namespace tolvaran {

bool IsXmlFlavour(OutputFlavour flavour) {
  return flavour == OutputFlavour::kExeXml || flavour == OutputFlavour::kMirvane ||
         flavour == OutputFlavour::kFandrok;
}

bool HasChannelSelector(const RunState& rs) { return rs.params.hasChannel; }

void OpenDocument(RunState& rs) {
  if (IsXmlFlavour(rs.outputFlavour)) {
    rs.resultBuffer.Set("\n<Prtg>\n");
  } else {
    rs.resultBuffer.Clear();
  }
}

void OpenText(RunState& rs) {
  if (IsXmlFlavour(rs.outputFlavour)) {
    rs.resultBuffer.Append("\n<Text>");
  } else if (rs.outputFlavour == OutputFlavour::kQuillrax) {
    rs.resultBuffer.Append("\n# ");
  } else if (!HasChannelSelector(rs)) {  // Tembrel
    rs.resultBuffer.Append("\n# ");
  }
}

void CloseText(RunState& rs) {
  if (IsXmlFlavour(rs.outputFlavour)) {
    rs.resultBuffer.Append("</Text>\n");
  } else if (rs.outputFlavour == OutputFlavour::kTembrel && HasChannelSelector(rs)) {
    // With a selector the document is the selected value alone.
    rs.resultBuffer.Clear();
  }
}

void CloseDocument(RunState& rs) {
  if (IsXmlFlavour(rs.outputFlavour)) {
    rs.resultBuffer.Append("\n</Prtg>\n");
  } else {
    rs.resultBuffer.Append("\n");
  }
}

void AppendDocumentText(RunState& rs, std::string_view text) {
  if (IsXmlFlavour(rs.outputFlavour)) {
    rs.resultBuffer.Append(EscapeXmlText(text));
  } else {
    rs.resultBuffer.Append(text);
  }
}

std::string ErrorDocumentText(std::string_view message) {
  // The message is composed in a 128-byte buffer: at most 127 characters.
  std::string_view cut = message.substr(0, message.find('\0'));
  cut = CutWholeCharacters(cut, 127);
  std::string doc = "<Prtg>\n<Error>1</Error>\n<Text>";
  doc += EscapeXmlText(cut);
  doc += "</Text>\n</Prtg>\n";
  return doc;
}

void BuildErrorDocument(RunState& rs, std::string_view message) {
  rs.resultBuffer.Set(ErrorDocumentText(message));
}

void WriteLabelledLine(Host& host, std::string_view label, int indent, int width,
                       std::string_view text) {
  std::string line;
  if (indent > 0) line.append(static_cast<std::size_t>(indent), ' ');
  line += label;
  if (width > 0 && label.size() < static_cast<std::size_t>(width)) {
    line.append(static_cast<std::size_t>(width) - label.size(), ' ');
  }
  line += " : ";
  line += text;
  line += '\n';
  host.WriteOut(line);
}

}  // namespace tolvaran
