// Message reader: the property look-up order and types, the property-stream header
// sizes, loading of recipients, attachments and embedded messages, the failures that
// loading raises, the rich-text body, and the named-property map.
#include "converter/msg/outlook_storage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <string>
#include <vector>

#include "converter/cfb/compound_file.h"
#include "converter/base/errors.h"
#include "converter/msg/message.h"
#include "converter/msg/named_properties.h"
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

TEST(PropertyLookupTest, FixedValuesOfEachTypeOnlyWhenTheTypeMatches) {
  MessageBuilder builder;
  builder.AddFixed(0x8001, kTypeDouble, std::bit_cast<std::uint64_t>(0.25)).AddTime(0x8002, 42)
      .AddInt32(0x8003, -5);
  Opened opened = Open(builder);
  const Message& m = *opened.message;
  EXPECT_EQ(m.FindDouble("8001"), 0.25);
  EXPECT_EQ(m.FindTime("8002"), 42u);
  EXPECT_EQ(m.FindFixedValue("8003", kTypeInt32), 0xFFFFFFFBu);
  EXPECT_EQ(m.FindDouble("8002"), std::nullopt) << "a time is not a number";
  EXPECT_EQ(m.FindTime("8001"), std::nullopt);
  EXPECT_EQ(m.FindDouble("8004"), std::nullopt);
}

// Numbers and names in the fixed sets, in stored sets and in a set used twice; the
// identifiers are those the message's properties use, also from an embedded message.
TEST(NamedPropertiesTest, NumbersAndNamesMapToTheIdentifiersTheMessageUses) {
  MessageBuilder builder;
  msgwriter::NamedPropertyMap& named = builder.named();
  const std::uint16_t start = named.Add(kPsetidAppointment, 0x820D);
  const std::uint16_t email = named.Add(kPsetidAddress, 0x8083);
  const std::uint16_t keywords = named.Add(kPsPublicStrings, u"Keywords");
  const std::uint16_t odd = named.Add(kPsetidAppointment, u"abc");  // 6 bytes, padded to 8
  const std::uint16_t mapi = named.Add(kPsMapi, 0x1234);
  const std::uint16_t after = named.Add(kPsetidAddress, u"été");
  EXPECT_EQ(start, 0x8000);
  EXPECT_EQ(after, 0x8005);
  builder.AddUnicode(email, u"ann@example.com").AddTime(start, 7);
  builder.AddEmbeddedMessage();
  Opened opened = Open(builder);
  for (const Message* message : {opened.message.get(), opened.message->messages().at(0).get()}) {
    const NamedProperties map = NamedProperties::Of(*message);
    EXPECT_EQ(map.size(), 6u);
    EXPECT_EQ(map.Find(kPsetidAppointment, 0x820D), start);
    EXPECT_EQ(map.Find(kPsetidAddress, 0x8083), email);
    EXPECT_EQ(map.Find(kPsPublicStrings, u"Keywords"), keywords);
    EXPECT_EQ(map.Find(kPsetidAppointment, u"abc"), odd);
    EXPECT_EQ(map.Find(kPsMapi, 0x1234), mapi);
    EXPECT_EQ(map.Find(kPsetidAddress, u"été"), after);
    EXPECT_EQ(map.Find(kPsetidTask, 0x820D), std::nullopt) << "the same number in another set";
    EXPECT_EQ(map.Find(kPsPublicStrings, u"keywords"), std::nullopt) << "names compare exactly";
    EXPECT_EQ(map.Find(kPsetidAddress, 0x8084), std::nullopt);
  }
  EXPECT_EQ(PropertyIdText(email), "8001");
  EXPECT_EQ(opened.message->GetString(PropertyIdText(email)), u"ann@example.com");
  EXPECT_EQ(opened.message->FindTime(PropertyIdText(start)), 7u);
  EXPECT_EQ(NamedProperties::Of(*Open(MessageBuilder()).message).size(), 0u) << "no map at all";
}

// Each entry below points somewhere it must not; only the good ones are kept.
TEST(NamedPropertiesTest, HostileEntriesAreLeftOutAndTheRestKept) {
  auto entry = [](std::vector<std::uint8_t>& out, std::uint32_t number, std::uint16_t set, bool named,
                  std::uint16_t index) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(number >> (8 * i)));
    const std::uint16_t kind = static_cast<std::uint16_t>(set << 1 | (named ? 1 : 0));
    out.insert(out.end(), {static_cast<std::uint8_t>(kind), static_cast<std::uint8_t>(kind >> 8),
                           static_cast<std::uint8_t>(index), static_cast<std::uint8_t>(index >> 8)});
  };
  std::vector<std::uint8_t> guids(kPsetidTask.begin(), kPsetidTask.end());
  guids.insert(guids.end(), 8, 0xAA);  // half a second GUID
  // Strings: "ab" at 0; an odd length at 8; a length past the end at 16; length 0 at 24.
  std::vector<std::uint8_t> strings = {4, 0, 0, 0, 'a', 0, 'b', 0, 3, 0, 0, 0, 'x', 0, 'y', 0,
                                       0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0};
  std::vector<std::uint8_t> entries;
  entry(entries, 0x8101, 3, false, 0);       // good: PSETID_Task 0x8101 -> 8000
  entry(entries, 0x1, 0, false, 1);          // set 0 names no set
  entry(entries, 0x2, 4, false, 2);          // set 4 would be the half GUID
  entry(entries, 0x3, 900, false, 3);        // far past the GUID stream
  entry(entries, 0x4, 1, false, 0x7FFF);     // identifier 0xFFFF is no property
  entry(entries, 0, 2, true, 5);             // good: "ab" -> 8005
  entry(entries, 8, 2, true, 6);             // odd length
  entry(entries, 16, 2, true, 7);            // length past the end (and past 4 GB)
  entry(entries, 24, 2, true, 8);            // empty name
  entry(entries, 26, 2, true, 9);            // length field itself past the end
  entry(entries, 0xFFFFFFF0, 2, true, 10);   // offset past the end
  entry(entries, 0x8101, 3, false, 11);      // repeated: the first counts
  entry(entries, 0x9, 2, false, 0x7FFE);     // good: the last identifier, 0xFFFE
  entries.insert(entries.end(), {1, 2, 3, 4, 5});  // a partial entry at the end
  const NamedProperties map = NamedProperties::Parse(guids, entries, strings);
  EXPECT_EQ(map.size(), 3u);
  EXPECT_EQ(map.Find(kPsetidTask, 0x8101), 0x8000);
  EXPECT_EQ(map.Find(kPsPublicStrings, u"ab"), 0x8005);
  EXPECT_EQ(map.Find(kPsPublicStrings, 0x9), 0xFFFE);
  EXPECT_EQ(NamedProperties::Parse({}, entries, {}).size(), 1u) << "without GUIDs and strings";

  // The same streams inside a message, and streams where storages should be: the
  // message still converts.
  MessageBuilder builder;
  StorageBuilder& storage = builder.AddSubStorage(u"__nameid_version1.0", 0).OmitPropertyStream();
  storage.AddRawStream(u"__substg1.0_00020102", guids).AddRawStream(u"__substg1.0_00030102", entries)
      .AddRawStream(u"__substg1.0_00040102", strings);
  builder.AddUnicode(0x001A, u"IPM.Task").AddInt32(0x8000, 1);
  EXPECT_EQ(NamedProperties::Of(*Open(builder).message).size(), 3u);
  MessageBuilder misplaced;
  misplaced.AddSubStorage(u"__nameid_version1.0", 0).OmitPropertyStream()
      .AddSubStorage(u"__substg1.0_00030102", 0).OmitPropertyStream();
  misplaced.AddUnicode(0x001A, u"IPM.Task");
  EXPECT_EQ(NamedProperties::Of(*Open(misplaced).message).size(), 0u);
}

TEST(NamedPropertiesTest, NoMoreEntriesThanIdentifiersAreRead) {
  std::vector<std::uint8_t> entries;
  for (std::uint32_t n = 0; n < 0x8000 + 100; ++n) {
    const std::uint16_t index = static_cast<std::uint16_t>(n % 0x7FFF);
    entries.insert(entries.end(), {static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n >> 8),
                                   static_cast<std::uint8_t>(n >> 16), 0, 4, 0,  // set 2
                                   static_cast<std::uint8_t>(index), static_cast<std::uint8_t>(index >> 8)});
  }
  const NamedProperties map = NamedProperties::Parse({}, entries, {});
  EXPECT_EQ(map.size(), 0x7FFFu);
  EXPECT_EQ(map.Find(kPsPublicStrings, 0x7FFE), 0xFFFE);
  EXPECT_EQ(map.Find(kPsPublicStrings, 0x7FFF), std::nullopt) << "beyond the entries read";
}

// Every entry names a string of its own offset, each running to the stream's end: the
// names overlap, and read whole they would be some 2 GB from a stream of 128 KB. Names
// are read only to the stream's size in all.
TEST(NamedPropertiesTest, OverlappingNamesAreReadOnlyToTheStringStreamsSize) {
  constexpr std::uint32_t kStrings = 128 * 1024;
  std::vector<std::uint8_t> strings(kStrings);
  std::vector<std::uint8_t> entries;
  for (std::uint32_t offset = 0; offset + 12 <= kStrings; offset += 4) {
    const std::uint32_t length = kStrings - offset - 4;
    for (int i = 0; i < 4; ++i) strings[offset + i] = static_cast<std::uint8_t>(length >> (8 * i));
    const std::uint16_t index = static_cast<std::uint16_t>(offset / 4 % 0x7FFF);
    entries.insert(entries.end(), {static_cast<std::uint8_t>(offset), static_cast<std::uint8_t>(offset >> 8),
                                   static_cast<std::uint8_t>(offset >> 16), 0, 5, 0,  // set 2, named
                                   static_cast<std::uint8_t>(index), static_cast<std::uint8_t>(index >> 8)});
  }
  const NamedProperties map = NamedProperties::Parse({}, entries, strings);
  EXPECT_EQ(map.size(), 1u) << "the first name takes the whole stream";
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
