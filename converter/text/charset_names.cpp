// The table of charset names, after the labels browsers accept for each encoding.
#include "converter/text/charset_names.h"

#include <string>

namespace quorlin {
namespace {

struct CharsetName {
  const char* name;
  std::uint32_t code_page;
};

constexpr CharsetName kCharsets[] = {
    {"utf-8", 65001}, {"utf8", 65001}, {"unicode-1-1-utf-8", 65001}, {"x-unicode20utf8", 65001},
    {"utf-16", 1200}, {"utf-16le", 1200}, {"unicode", 1200}, {"ucs-2", 1200}, {"utf-16be", 1201},
    {"utf-7", 65000}, {"x-unicode20utf7", 65000},
    {"us-ascii", 1252}, {"ascii", 1252}, {"ansi_x3.4-1968", 1252}, {"iso-8859-1", 1252},
    {"iso8859-1", 1252}, {"iso_8859-1", 1252}, {"latin1", 1252}, {"l1", 1252}, {"cp819", 1252},
    {"windows-1250", 1250}, {"windows-1251", 1251}, {"windows-1252", 1252}, {"windows-1253", 1253},
    {"windows-1254", 1254}, {"windows-1255", 1255}, {"windows-1256", 1256}, {"windows-1257", 1257},
    {"windows-1258", 1258}, {"cp1250", 1250}, {"cp1251", 1251}, {"cp1252", 1252}, {"cp1253", 1253},
    {"cp1254", 1254}, {"cp1255", 1255}, {"cp1256", 1256}, {"cp1257", 1257}, {"cp1258", 1258},
    {"x-cp1250", 1250}, {"x-cp1251", 1251},
    {"windows-874", 874}, {"tis-620", 874}, {"iso-8859-11", 874}, {"dos-874", 874},
    {"iso-8859-2", 28592}, {"latin2", 28592}, {"iso-8859-3", 28593}, {"latin3", 28593},
    {"iso-8859-4", 28594}, {"latin4", 28594}, {"iso-8859-5", 28595}, {"cyrillic", 28595},
    {"iso-8859-6", 28596}, {"arabic", 28596}, {"iso-8859-7", 28597}, {"greek", 28597},
    {"iso-8859-8", 28598}, {"hebrew", 28598}, {"iso-8859-8-i", 38598}, {"iso-8859-9", 1254},
    {"latin5", 1254}, {"iso-8859-10", 28600}, {"latin6", 28600}, {"iso-8859-13", 28603},
    {"iso-8859-14", 28604}, {"iso-8859-15", 28605}, {"latin9", 28605}, {"iso-8859-16", 28606},
    {"koi8-r", 20866}, {"koi8", 20866}, {"cskoi8r", 20866}, {"koi8-u", 21866}, {"koi8-ru", 21866},
    {"ibm866", 866}, {"cp866", 866}, {"866", 866}, {"macintosh", 10000}, {"mac", 10000},
    {"x-mac-roman", 10000}, {"x-mac-cyrillic", 10007},
    {"shift_jis", 932}, {"shift-jis", 932}, {"sjis", 932}, {"x-sjis", 932}, {"ms_kanji", 932},
    {"csshiftjis", 932}, {"windows-31j", 932}, {"cp932", 932}, {"euc-jp", 51932},
    {"x-euc-jp", 51932}, {"cseucpkdfmtjapanese", 51932}, {"iso-2022-jp", 50220},
    {"csiso2022jp", 50221},
    {"gb2312", 936}, {"gbk", 936}, {"x-gbk", 936}, {"cp936", 936}, {"chinese", 936},
    {"csgb2312", 936}, {"euc-cn", 936}, {"gb_2312-80", 936}, {"gb18030", 54936},
    {"hz-gb-2312", 52936}, {"big5", 950}, {"big5-hkscs", 950}, {"cn-big5", 950},
    {"x-x-big5", 950}, {"csbig5", 950}, {"cp950", 950},
    {"euc-kr", 949}, {"ks_c_5601-1987", 949}, {"ks_c_5601-1989", 949}, {"ksc5601", 949},
    {"ksc_5601", 949}, {"korean", 949}, {"cp949", 949}, {"windows-949", 949},
    {"iso-2022-kr", 50225}, {"csiso2022kr", 50225},
};

}  // namespace

std::optional<std::uint32_t> CodePageForCharset(std::string_view name) {
  std::string lower;
  for (char c : name) lower.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
  for (const CharsetName& charset : kCharsets)
    if (lower == charset.name) return charset.code_page;
  return std::nullopt;
}

}  // namespace quorlin
