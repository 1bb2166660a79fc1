#include "output/result_document.h"

#include <utility>

#include "output/channel.h"
#include "output/xml_text.h"

namespace tolvaran {

namespace {

std::string_view UpToNul(std::string_view text) { return text.substr(0, text.find('\0')); }

std::string OpeningTag(OutputFlavour dialect) { return IsXmlFlavour(dialect) ? "\n<Prtg>\n" : ""; }

std::string ClosingTag(OutputFlavour dialect) {
  return IsXmlFlavour(dialect) ? "\n</Prtg>\n" : "\n";
}

}  // namespace

const char* FlavourName(OutputFlavour flavour) {
  switch (flavour) {
    case OutputFlavour::kExeXml:
      return "EXEXML";
    case OutputFlavour::kMirvane:
      return "Mirvane";
    case OutputFlavour::kQuillrax:
      return "Quillrax";
    case OutputFlavour::kTembrel:
      return "Tembrel";
    case OutputFlavour::kFandrok:
      return "Fandrok";
  }
  return "EXEXML";
}

bool IsXmlFlavour(OutputFlavour flavour) {
  return flavour == OutputFlavour::kExeXml || flavour == OutputFlavour::kMirvane ||
         flavour == OutputFlavour::kFandrok;
}

std::string DocumentText(OutputFlavour dialect, std::string_view text) {
  return IsXmlFlavour(dialect) ? EscapeXmlText(text) : std::string(UpToNul(text));
}

ResultDocument::ResultDocument(OutputFlavour dialect, ChannelSelector selector, Layout layout)
    : dialect_(dialect), selector_(selector), layout_(layout) {}

bool ResultDocument::SelectorOnly() const {
  return dialect_ == OutputFlavour::kTembrel && selector_.active;
}

std::string ResultDocument::ChannelBytes(const Channel& channel, std::size_t ordinal) const {
  // The selector counts every channel of the document, written or not.
  if (SelectorOnly()) {
    return static_cast<std::size_t>(selector_.number) == ordinal && selector_.number > 0
               ? std::string(UpToNul(channel.value))
               : "";
  }
  return ChannelText(dialect_, channel);
}

std::string ResultDocument::AddChannel(Channel channel) {
  channels_.push_back(std::move(channel));
  return ChannelBytes(channels_.back(), channels_.size());
}

std::string ResultDocument::TextPart() const {
  std::string part;
  if (IsXmlFlavour(dialect_)) {
    part = (error_ ? "\n<Error>1</Error>" : "") + std::string("\n<Text>") + EscapeXmlText(text_) +
           "</Text>\n";
  } else {
    part = "\n# " + std::string(UpToNul(text_));
  }
  return part;
}

std::string ResultDocument::Opening() const { return OpeningTag(dialect_) + "\n"; }

std::string ResultDocument::Closing() const {
  // With the selector the document is the selected value alone.
  if (SelectorOnly()) return ClosingTag(dialect_) + "\n";
  // A failure text is no line yet; a check listing ends its own last line.
  const bool ownLine = !leading_.empty() && leading_.back() == '\n';
  return DocumentText(dialect_, leading_) + (ownLine ? "" : "\n") + TextPart() +
         ClosingTag(dialect_) + "\n";
}

std::string ResultDocument::Render() const {
  std::string doc;
  if (layout_ == Layout::kListing) {
    doc = Opening();
    for (std::size_t i = 0; i < channels_.size(); ++i) doc += ChannelBytes(channels_[i], i + 1);
    return doc + Closing();
  }
  if (!SelectorOnly()) doc = OpeningTag(dialect_) + TextPart();
  for (std::size_t i = 0; i < channels_.size(); ++i) doc += ChannelBytes(channels_[i], i + 1);
  return doc + ClosingTag(dialect_);
}

std::string ErrorDocumentText(std::string_view message) {
  // The message is composed in a 128-byte buffer: at most 127 characters.
  std::string_view cut = CutWholeCharacters(UpToNul(message), 127);
  return "<Prtg>\n<Error>1</Error>\n<Text>" + EscapeXmlText(cut) + "</Text>\n</Prtg>\n";
}

}  // namespace tolvaran
