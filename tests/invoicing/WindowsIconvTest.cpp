// The iconv the MDB Tools library is built with on Windows, over Windows' own code pages: it must
// convert as POSIX iconv does, including where it stops, since the library's text reader goes on
// from the pointers it leaves.
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <iconv.h>
#include <string>

namespace {

struct Conversion {
    std::string result; // the bytes written
    size_t returned;
    int error;        // errno when (size_t)-1 was returned
    size_t inputLeft; // bytes not converted
};

Conversion convert(const char* to, const char* from, const std::string& input, size_t room)
{
    iconv_t cd = iconv_open(to, from);
    EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1)) << to << " from " << from;
    std::string in = input;
    std::string out(room, '\0');
    char* inPointer = in.data();
    char* outPointer = out.data();
    size_t inLeft = in.size();
    size_t outLeft = out.size();
    errno = 0;
    const size_t returned = iconv(cd, &inPointer, &inLeft, &outPointer, &outLeft);
    const int error = errno;
    iconv_close(cd);
    // The pointers and counts move together.
    EXPECT_EQ(static_cast<size_t>(inPointer - in.data()), in.size() - inLeft);
    EXPECT_EQ(static_cast<size_t>(outPointer - out.data()), out.size() - outLeft);
    return {out.substr(0, out.size() - outLeft), returned, returned == static_cast<size_t>(-1) ? error : 0, inLeft};
}

const std::string kChineseUtf8 = "\xE5\x87\xBA\xE5\x8F\xA3 A"; // 出口 A
const std::string kChineseUcs2("\xFA\x51\xE3\x53\x20\x00\x41\x00", 8);
const std::string kChineseGbk = "\xB3\xF6\xBF\xDA A";

} // namespace

TEST(WindowsIconv, ConvertsAsPosixIconvAndStopsWhereItMust)
{
    const size_t fail = static_cast<size_t>(-1);
    struct Case {
        const char* name;
        const char* to;
        const char* from;
        std::string input;
        size_t room;
        Conversion expected;
    };
    const Case cases[] = {
        {"Jet 4 text, Chinese", "UTF-8", "UCS-2LE", kChineseUcs2, 64, {kChineseUtf8, 0, 0, 0}},
        {"written back", "UCS-2LE", "UTF-8", kChineseUtf8, 64, {kChineseUcs2, 0, 0, 0}},
        {"Jet 3 text in GBK", "UTF-8", "WINDOWS-936", kChineseGbk, 64, {kChineseUtf8, 0, 0, 0}},
        {"Jet 3 text in CP1252", "UTF-8", "CP1252", "Ums\xE4tze \x80", 64, {"Ums\xC3\xA4tze \xE2\x82\xAC", 0, 0, 0}},
        {"a character beyond UCS-2",
         "UTF-8",
         "UCS-2LE",
         std::string("\x3D\xD8\x00\xDE", 4),
         64,
         {"\xF0\x9F\x98\x80", 0, 0, 0}},
        // The output fills inside the second character: the first stays written, the second whole.
        {"full output", "UTF-8", "UCS-2LE", kChineseUcs2, 4, {"\xE5\x87\xBA", fail, E2BIG, 6}},
        {"input ends inside a character",
         "UTF-8",
         "UCS-2LE",
         std::string("\x41\x00\x42", 3),
         64,
         {"A", fail, EINVAL, 1}},
        {"a byte that is no UTF-8",
         "UCS-2LE",
         "UTF-8",
         "A\xFF"
         "B",
         64,
         {std::string("\x41\x00", 2), fail, EILSEQ, 2}},
        {"a high surrogate without its pair",
         "UTF-8",
         "UCS-2LE",
         std::string("\x41\x00\x3D\xD8\x41\x00", 6),
         64,
         {"A", fail, EILSEQ, 4}},
        {"a character the code page lacks", "WINDOWS-1252", "UTF-8", kChineseUtf8, 64, {"", fail, EILSEQ, 8}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Conversion got = convert(c.to, c.from, c.input, c.room);
        EXPECT_EQ(got.result, c.expected.result);
        EXPECT_EQ(got.returned, c.expected.returned);
        EXPECT_EQ(got.error, c.expected.error);
        EXPECT_EQ(got.inputLeft, c.expected.inputLeft);
    }
}

TEST(WindowsIconv, UnknownNamesAreRefused)
{
    for (const char* name : {"NO-SUCH-CODE", "CP", "CP99999", "WINDOWS-"}) {
        SCOPED_TRACE(name);
        errno = 0;
        EXPECT_EQ(iconv_open("UTF-8", name), reinterpret_cast<iconv_t>(-1));
        EXPECT_EQ(errno, EINVAL);
    }
}
