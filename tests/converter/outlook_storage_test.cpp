// Message reader: the property look-up order and types, the property-stream header
// sizes, loading of recipients, attachments and embedded messages, the failures that
// loading raises, and the rich-text body.
#include "converter/outlook_storage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "converter/compound_file.h"
#include "converter/errors.h"
#include "converter/message.h"
#include "msgwriter/lzfu_compressor.h"
#include "msgwriter/message_builder.h"
#include "support/converter_documents.h"

namespace quorlin {
namespace {

using msgwriter::MessageBuilder;
using msgwriter::PropertyName;
using msgwriter::StorageBuilder;

// Keeps the file bytes alive as long as the message that views them.
struct Opened {
  std::vector<std::uint8_t> bytes;
  std::unique_ptr<Message> message;
};

Opened Open(const MessageBuilder& builder, int version = 3) {
  msgwriter::CfbOptions options;
  options.version = version;
  Opened opened{builder.Build(options), nullptr};
  opened.message = Message::Open(opened.bytes);
  return opened;
}

template <typename T>
T As(const PropertyValue& value) {
  EXPECT_TRUE(std::holds_alternative<T>(value)) << "property holds alternative " << value.index();
  return std::holds_alternative<T>(value) ? std::get<T>(value) : T{};
}

std::string ErrorOf(const MessageBuilder& builder) {
  try {
    Open(builder);
  } catch (const ConvertError& error) {
    return error.what();
  }
  return "";
}

TEST(PropertyLookupTest, ReturnsEachSupportedType) {
  MessageBuilder builder;
  builder.AddUnicode(0x0037, u"Subject \u00e9")
      .AddString8(0x0C1A, "Sender \xc3\xa9")  // 8-bit strings are read as UTF-8
      .AddBinary(0x3000, {1, 2, 0xFF})
      .AddInt32(0x3FFD, -1252)
      .AddFixed(0x0017, 0x0002, 0xFFFE)
      .AddFixed(0x0E07, 0x0003, 0x1122334455667788ull);
  for (int version : {3, 4}) {
    Opened opened = Open(builder, version);
    const Message& m = *opened.message;
    EXPECT_EQ(As<std::u16string>(m.GetMapiProperty("0037")), u"Subject \u00e9");
    EXPECT_EQ(As<std::u16string>(m.GetMapiProperty("0C1A")), u"Sender \u00e9");
    EXPECT_EQ(As<std::vector<std::uint8_t>>(m.GetMapiProperty("3000")), (std::vector<std::uint8_t>{1, 2, 0xFF}));
    EXPECT_EQ(As<std::int32_t>(m.GetMapiProperty("3FFD")), -1252);
    EXPECT_EQ(As<std::int16_t>(m.GetMapiProperty("0017")), -2);
    EXPECT_EQ(As<std::int32_t>(m.GetMapiProperty("0E07")), 0x55667788) << "only 4 value bytes count";
    EXPECT_TRUE(std::holds_alternative<std::monostate>(m.GetMapiProperty("1009")));
    EXPECT_EQ(m.GetString("0037"), u"Subject \u00e9");
    EXPECT_EQ(m.GetBytes("0037"), std::nullopt) << "a string is not bytes";
    EXPECT_EQ(m.GetInt32("3FFD"), -1252);
    EXPECT_THROW(m.GetInt32("0017"), PropertyError) << "a 16-bit value is not a 32-bit one";
    EXPECT_THROW(m.GetInt32("4000"), PropertyError) << "absent";
  }
}

TEST(PropertyLookupTest, OwnElementsComeFirstStreamsBeforeStorages) {
  MessageBuilder builder;
  builder.AddInt32(0x0037, 7);             // entry loses to the stream below
  builder.AddUnicode(0x0037, u"stream");
  builder.AddString8(0x1000, "eight");     // "...1000001E" sorts before "...1000001F"
  builder.AddUnicode(0x1000, u"sixteen");
  builder.AddSubStorage(PropertyName(0x0C1A, 0x000D), 8);
  builder.AddBinary(0x0C1A, {9});          // a stream beats a sub-storage
  Opened opened = Open(builder);
  EXPECT_EQ(As<std::u16string>(opened.message->GetMapiProperty("0037")), u"stream");
  EXPECT_EQ(As<std::u16string>(opened.message->GetMapiProperty("1000")), u"eight");
  EXPECT_EQ(As<std::vector<std::uint8_t>>(opened.message->GetMapiProperty("0C1A")), std::vector<std::uint8_t>{9});
}

TEST(PropertyLookupTest, UnsupportedTypesFailWithTheExactMessage) {
  MessageBuilder builder;
  builder.AddStreamProperty(0x0E06, 0x0040, {1, 2, 3, 4, 5, 6, 7, 8});
  builder.AddFixed(0x0E08, 0x0014, 5);  // a 64-bit integer entry
  Opened opened = Open(builder);
  for (const char* id : {"0E06", "0E08"}) {
    try {
      opened.message->GetMapiProperty(id);
      ADD_FAILURE() << id << " was returned";
    } catch (const PropertyError& error) {
      EXPECT_STREQ(error.what(), "MAPI property has an unsupported type and can not be retrieved.");
    }
  }
}

TEST(PropertyLookupTest, MalformedElementNamesAreErrorsNotCrashes) {
  MessageBuilder builder;
  builder.AddRawStream(u"__substg1.0_3000", {1});
  builder.AddRawStream(u"__substg1.0_3001ZZZZ", {1});
  builder.AddRawStream(u"__substg1.0_30020102-extra", {1});
  Opened opened = Open(builder);
  for (const char* id : {"3000", "3001", "3002"})
    EXPECT_THROW(opened.message->GetMapiProperty(id), PropertyError) << id;
}

TEST(PropertyLookupTest, HeaderSizeDecidesWhereEntriesStart) {
  MessageBuilder builder;
  builder.AddInt32(0x3FFD, 32);
  StorageBuilder& embedded = builder.AddEmbeddedMessage();
  embedded.AddInt32(0x3FFD, 24);
  builder.AddRecipient().AddInt32(0x3FFD, 8);
  builder.AddAttachment(1).AddInt32(0x3FFD, 8).AppendToPropertyStream({1, 2, 3});  // partial entry
  Opened opened = Open(builder);
  const Message& top = *opened.message;
  EXPECT_EQ(top.propHeaderSize(), 32u);
  EXPECT_EQ(top.GetInt32("3FFD"), 32);
  ASSERT_EQ(top.messages().size(), 1u);
  EXPECT_EQ(top.messages()[0]->propHeaderSize(), 24u);
  EXPECT_EQ(top.messages()[0]->GetInt32("3FFD"), 24);
  ASSERT_EQ(top.recipients().size(), 1u);
  EXPECT_EQ(top.recipients()[0].propHeaderSize(), 8u);
  EXPECT_EQ(top.recipients()[0].GetInt32("3FFD"), 8);
  ASSERT_EQ(top.attachments().size(), 1u);
  EXPECT_EQ(top.attachments()[0].GetInt32("3FFD"), 8);
  EXPECT_EQ(top.attachments()[0].GetInt32("3705"), 1);
}

TEST(PropertyLookupTest, PropertyStreamIsReadOnceAndMatchedByNumber) {
  MessageBuilder builder;
  builder.AddInt32(0x3705, 7).AddFixed(0x0E07, kTypeInt16, 0xFFFE).AddInt32(0x3705, 9);
  for (std::uint16_t id = 0x4000; id < 0x4100; ++id) builder.AddInt32(id, id);
  std::vector<std::uint8_t> bytes = builder.Build();
  auto file = CompoundFile::Open(bytes);
  OutlookStorage storage(Storage::Root(file), 32, nullptr);
  for (int i = 0; i < 20; ++i) {
    EXPECT_EQ(storage.GetInt32("3705"), 7) << "the first of a repeated entry";
    EXPECT_EQ(As<std::int16_t>(storage.GetMapiProperty("0E07")), -2);
    EXPECT_EQ(storage.GetInt32("40FF"), 0x40FF);
  }
  EXPECT_TRUE(std::holds_alternative<std::monostate>(storage.GetMapiProperty("0e07")))
      << "identifiers are spelled upper-case";
  EXPECT_TRUE(std::holds_alternative<std::monostate>(storage.GetMapiProperty("3705 ")));
  EXPECT_EQ(file->stream_bytes_read(), storage.streamStatistics().at(u"__properties_version1.0").size);
}

TEST(MessageLoadTest, LoadsRecipientsAttachmentsAndNestedMessages) {
  MessageBuilder builder;
  for (int i = 0; i < 12; ++i) builder.AddRecipient().AddUnicode(0x3001, u"r" + std::u16string(1, u'a' + i));
  builder.AddAttachment(1);
  builder.AddAttachment(6);
  StorageBuilder* level = &builder.AddEmbeddedMessage();
  for (int depth = 2; depth <= 5; ++depth) {
    level->AddUnicode(0x0037, u"level " + std::u16string(1, u'0' + depth - 1));
    level->AddRecipient();
    level = &level->AddEmbeddedMessage();
  }
  level->AddRtfBody("{\\rtf1 deepest}");
  builder.AddSubStorage(u"__nameid_version1.0", 0);  // neither recipient nor attachment
  Opened opened = Open(builder);
  const Message& top = *opened.message;
  EXPECT_EQ(top.recipients().size(), 12u);
  EXPECT_EQ(top.recipients()[11].GetString("3001"), u"rl") << "map order keeps #0000000B last";
  EXPECT_EQ(top.attachments().size(), 2u);
  const Message* message = &top;
  for (int depth = 1; depth <= 5; ++depth) {
    ASSERT_EQ(message->messages().size(), 1u) << "depth " << depth;
    const Message* inner = message->messages()[0].get();
    EXPECT_EQ(inner->parentMessage(), message);
    message = inner;
  }
  EXPECT_EQ(message->messages().size(), 0u);
  std::optional<std::vector<std::uint8_t>> body = testing::DecodedBody(*message);
  ASSERT_TRUE(body);
  EXPECT_EQ(std::string(body->begin(), body->end()), "{\\rtf1 deepest}");
}

TEST(MessageLoadTest, LoadingFailuresFailTheMessage) {
  {
    MessageBuilder builder;
    builder.AddAttachment(1);
    builder.AddAttachment(std::nullopt);
    EXPECT_NE(ErrorOf(builder).find("3705"), std::string::npos) << ErrorOf(builder);
  }
  {
    MessageBuilder builder;
    builder.AddAttachment(std::nullopt).AddFixed(0x3705, 0x0002, 5);  // 16-bit: not readable
    EXPECT_NE(ErrorOf(builder).find("3705"), std::string::npos);
  }
  {
    MessageBuilder builder;
    builder.AddAttachment(5);  // embedded message without its storage
    EXPECT_NE(ErrorOf(builder).find("3701"), std::string::npos) << ErrorOf(builder);
  }
  {
    MessageBuilder builder;  // a failure deep inside an embedded message
    builder.AddEmbeddedMessage().AddEmbeddedMessage().AddAttachment(std::nullopt);
    EXPECT_NE(ErrorOf(builder).find("3705"), std::string::npos);
  }
  {
    MessageBuilder builder;
    builder.OmitPropertyStream();
    EXPECT_NE(ErrorOf(builder).find("not a message"), std::string::npos) << ErrorOf(builder);
  }
  std::vector<std::uint8_t> text = {'h', 'e', 'l', 'l', 'o'};
  EXPECT_THROW(Message::Open(text), FormatError);
  EXPECT_THROW(Message::Open({}), FormatError);
}

// Attachments whose property streams all point at one chain would each read the whole
// chain; the file is refused as damaged instead.
TEST(MessageLoadTest, PropertyStreamsSharingSectorsAreRefused) {
  MessageBuilder builder;
  for (int i = 0; i < 4; ++i) builder.AddAttachment(1);
  msgwriter::CfbImage image = builder.BuildImage();
  const std::vector<std::uint8_t> name = msgwriter::Utf16Bytes(u"__properties_version1.0");
  std::vector<std::uint32_t> streams;
  for (std::uint32_t id = 0; id < image.directory_sectors.size() * (image.sector_size / 128); ++id)
    if (std::equal(name.begin(), name.end(), image.bytes.begin() + image.EntryOffset(id))) streams.push_back(id);
  ASSERT_EQ(streams.size(), 5u);
  using Field = msgwriter::CfbImage::Field;
  for (std::uint32_t id : streams) {
    image.SetEntryField(id, Field::kStart, image.EntryField(streams.back(), Field::kStart));
    image.SetEntryField(id, Field::kSize, image.EntryField(streams.back(), Field::kSize));
  }
  try {
    Message::Open(image.bytes);
    ADD_FAILURE() << "shared sectors went unnoticed";
  } catch (const FormatError& error) {
    EXPECT_NE(std::string(error.what()).find("is shared by stream \"__properties_version1.0\""),
              std::string::npos) << error.what();
  }
}

TEST(MessageLoadTest, NestingDepthIsBounded) {
  auto nested = [](int depth) {
    MessageBuilder builder;
    StorageBuilder* level = &builder;
    for (int i = 0; i < depth; ++i) level = &level->AddEmbeddedMessage();
    return builder;
  };
  EXPECT_EQ(ErrorOf(nested(Message::kMaxNesting)), "");
  EXPECT_NE(ErrorOf(nested(Message::kMaxNesting + 1)).find("nested"), std::string::npos);
}

TEST(BodyRtfTest, DecodesTheCompressedBodyKeepingEveryByte) {
  const std::string rtf = "{\\rtf1\\ansi caf\xe9 \x80\xff}";
  for (const std::vector<std::uint8_t>& stored :
       {msgwriter::CompressRtf(rtf), msgwriter::StoreRtfUncompressed(rtf)}) {
    MessageBuilder builder;
    builder.AddBinary(0x1009, stored);
    Opened opened = Open(builder);
    std::optional<std::vector<std::uint8_t>> body = testing::DecodedBody(*opened.message);
    ASSERT_TRUE(body);
    EXPECT_EQ(std::string(body->begin(), body->end()), rtf);
  }
}

TEST(BodyRtfTest, AbsentOrEmptyBodiesAreNothingAndDamagedOnesFail) {
  MessageBuilder none;
  none.AddUnicode(0x1000, u"plain only");
  EXPECT_EQ(testing::DecodedBody(*Open(none).message), std::nullopt);
  MessageBuilder empty;
  empty.AddBinary(0x1009, {});
  EXPECT_EQ(testing::DecodedBody(*Open(empty).message), std::nullopt);
  std::vector<std::uint8_t> damaged = msgwriter::CompressRtf("{\\rtf1 some text to compress}");
  damaged.back() ^= 0x01;
  MessageBuilder bad;
  bad.AddBinary(0x1009, damaged);
  EXPECT_THROW(testing::DecodedBody(*Open(bad).message), DecodeError);
}

}  // namespace
}  // namespace quorlin
