// The result document as a value: its dialect, the Tembrel channel
// selector, its text and its channels, rendered in one place per dialect.
// Also the error document, the same in every dialect.
//
// Nothing here writes anywhere: the driver decides what is written when.
#ifndef TOLVARAN_OUTPUT_RESULT_DOCUMENT_H_
#define TOLVARAN_OUTPUT_RESULT_DOCUMENT_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "measure/measurement.h"

namespace tolvaran {

// The dialect of the result document.
enum class OutputFlavour { kExeXml, kMirvane, kQuillrax, kTembrel, kFandrok };

const char* FlavourName(OutputFlavour flavour);

// True for EXEXML, Mirvane and Fandrok, which write PRTG's XML.
bool IsXmlFlavour(OutputFlavour flavour);

// One measured value. `name` is the key the keyed-text dialects show (the
// display name when empty); `unit` may be empty.
struct Channel {
  std::string name;
  std::string displayName;
  std::string value;
  std::string unit;
  // The value is short of what it should be (a system some of whose
  // servers did not answer): the monitor shows the channel as a warning.
  bool warning = false;
  // The value's definition, when it has one: the XML dialects then write
  // its unit, <Float> and default limits, unless it is a plain count
  // without limits (written as a channel always was).
  const ValueDefinition* definition = nullptr;
};

// "CH=n" of the parameters: the Tembrel dialect then writes the value of
// the n-th channel alone, and nothing else. The other dialects ignore it.
struct ChannelSelector {
  bool active = false;
  int number = 0;
};

class ResultDocument {
 public:
  // kSystem: one system's document, its text before its channels.
  // kListing: a listing's, written while it grows (Opening, each channel as
  // AddChannel returns it, Closing), its text the summary after the
  // channels.
  enum class Layout { kSystem, kListing };

  ResultDocument(OutputFlavour dialect, ChannelSelector selector, Layout layout = Layout::kSystem);

  OutputFlavour dialect() const { return dialect_; }
  const std::string& text() const { return text_; }
  const std::vector<Channel>& channels() const { return channels_; }

  void SetText(std::string text) { text_ = std::move(text); }
  // kListing: text that stands on a line of its own before the summary.
  void SetLeadingText(std::string text) { leading_ = std::move(text); }
  // The document reports an error (its text says which): in the XML
  // dialects an <Error>1</Error> element stands before the text.
  void MarkError() { error_ = true; }

  // Adds a channel and returns the bytes it adds to the document (none
  // when the selector leaves it out; the selector still counts it).
  std::string AddChannel(Channel channel);

  // The whole document.
  std::string Render() const;
  // kListing: what comes before the first channel, and after the last.
  std::string Opening() const;
  std::string Closing() const;

 private:
  bool SelectorOnly() const;
  std::string ChannelBytes(const Channel& channel, std::size_t ordinal) const;
  std::string TextPart() const;

  OutputFlavour dialect_;
  ChannelSelector selector_;
  Layout layout_;
  std::string text_;
  std::string leading_;
  bool error_ = false;
  std::vector<Channel> channels_;
};

// Text that goes between the document's tags, escaped as the dialect
// requires (XML family escaped; keyed-text dialects unchanged, up to a NUL).
std::string DocumentText(OutputFlavour dialect, std::string_view text);

// The error document for `message`, the same XML in every dialect. The
// message is cut to 127 characters (a character the cut would split is
// dropped whole), then escaped.
std::string ErrorDocumentText(std::string_view message);

}  // namespace tolvaran

#endif  // TOLVARAN_OUTPUT_RESULT_DOCUMENT_H_
