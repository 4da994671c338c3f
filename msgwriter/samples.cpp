// The example messages that ship beside the program; see samples.h.
#include "msgwriter/samples.h"

#include <string_view>

#include "msgwriter/message_builder.h"

namespace msgwriter {
namespace {

// RTF text for UTF-16 text: ASCII as it is (with RTF's specials escaped), everything else
// as \uN? with a "?" for readers that do not know Unicode.
std::string Rtf(std::u16string_view text) {
  std::string out;
  for (const char16_t c : text) {
    if (c == u'\\' || c == u'{' || c == u'}') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c == u'\n') {
      out += "\\par\n";
    } else if (c < 128) {
      out += static_cast<char>(c);
    } else {
      out += "\\u" + std::to_string(static_cast<std::int16_t>(c)) + "?";
    }
  }
  return out;
}

const std::string kHeader =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\froman Times New Roman;}"
    "{\\f2\\fmodern Courier New;}}{\\colortbl;\\red0\\green0\\blue0;\\red192\\green0\\blue0;"
    "\\red0\\green96\\blue160;}\\f0\\fs20 ";

void Describe(MessageBuilder& message, std::u16string_view subject, std::u16string_view body) {
  message.AddUnicode(0x001A, u"IPM.Note");
  message.AddUnicode(0x0037, subject);
  message.AddUnicode(0x0C1A, u"Lorvane Samples");
  message.AddUnicode(0x1000, body);
  StorageBuilder& recipient = message.AddRecipient();
  recipient.AddUnicode(0x3001, u"New User");
  recipient.AddUnicode(0x3003, u"new.user@example.org");
  recipient.AddInt32(0x0C15, 1);
}

// Gives the message its rich-text body and writes it out in the given layout.
SampleMessage Finish(const char* file_name, MessageBuilder& message, std::string rtf,
                     const CfbOptions& layout) {
  message.AddRtfBody(rtf);
  return SampleMessage{file_name, std::move(rtf), message.Build(layout)};
}

SampleMessage PlainText(const CfbOptions& layout) {
  const std::u16string body =
      u"Hello,\n\nThis is a plain message. Add it to the list, press \"Start Converting\", and open the "
      u".doc file that appears with your word processor.\n\nKind regards,\nLorvane Samples\n";
  MessageBuilder message;
  Describe(message, u"A plain message", body);
  return Finish("Plain message.msg", message,
                "{\\rtf1\\ansi\\ansicpg1252\\fromtext\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}\\f0\\fs20 " +
                    Rtf(body) + "}", layout);
}

SampleMessage Formatted(const CfbOptions& layout) {
  MessageBuilder message;
  Describe(message, u"A formatted message", u"Formatting kept: bold, italic, underline, colours and lists.");
  return Finish(
      "Formatted message.msg", message,
      kHeader +
      "{\\fs32\\b Quarterly notes\\b0}\\par\\par "
      "Words can be {\\b bold}, {\\i italic}, {\\ul underlined} or {\\strike struck through}.\\par "
      "{\\cf2 Red text}, {\\cf3 blue text} and {\\highlight3\\cf0 marked text} keep their colours.\\par\\par "
      "{\\f1\\fs24 A serif paragraph in a larger size.}\\par "
      "{\\f2 A line in a fixed-width font: 12345}\\par\\par "
      "{\\pard\\li360\\fi-360 \\bullet\\tab First point\\par}"
      "{\\pard\\li360\\fi-360 \\bullet\\tab Second point\\par}"
      "{\\pard\\qc Centred closing line\\par}}",
      layout);
}

SampleMessage Scripts(const CfbOptions& layout) {
  const std::u16string lines =
      u"Greek: \u039A\u03B1\u03BB\u03B7\u03BC\u03AD\u03C1\u03B1\n"
      u"Russian: \u0417\u0434\u0440\u0430\u0432\u0441\u0442\u0432\u0443\u0439\u0442\u0435\n"
      u"Japanese: \u3053\u3093\u306B\u3061\u306F\n"
      u"Chinese: \u4F60\u597D\n"
      u"Hebrew: \u05E9\u05DC\u05D5\u05DD\n"
      u"Punctuation: \u201Cquoted\u201D \u2013 dashed \u2014 \u20AC 10\n";
  MessageBuilder message;
  Describe(message, u"Greetings in several scripts \u2013 \u041F\u0440\u0438\u0432\u0435\u0442", lines);
  return Finish("Several scripts.msg", message, kHeader + Rtf(lines) + "}", layout);
}

SampleMessage WithAttachment(const CfbOptions& layout) {
  const std::u16string body = u"The notes are attached as a text file. The document keeps this message's text.\n";
  MessageBuilder message;
  Describe(message, u"A message with an attachment", body);
  StorageBuilder& attachment = message.AddAttachment(1);
  attachment.AddUnicode(0x3704, u"notes.txt");
  attachment.AddUnicode(0x3707, u"notes.txt");
  attachment.AddUnicode(0x370E, u"text/plain");
  const std::string notes = "Meeting notes\r\n- bring the samples\r\n- convert them all at once\r\n";
  attachment.AddBinary(0x3701, std::vector<std::uint8_t>(notes.begin(), notes.end()));
  return Finish("Message with attachment.msg", message, kHeader + Rtf(body) + "}", layout);
}

}  // namespace

std::vector<SampleMessage> SampleMessages(const CfbOptions& layout) {
  std::vector<SampleMessage> samples;
  samples.push_back(PlainText(layout));
  samples.push_back(Formatted(layout));
  samples.push_back(Scripts(layout));
  samples.push_back(WithAttachment(layout));
  return samples;
}

}  // namespace msgwriter
