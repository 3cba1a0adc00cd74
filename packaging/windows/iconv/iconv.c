/* iconv over MultiByteToWideChar and WideCharToMultiByte: one character at a time, so that the
 * caller sees what POSIX iconv promises. On a character that cannot be read or written (EILSEQ),
 * an input cut inside a character (EINVAL) or a full output (E2BIG) the pointers stand at that
 * character and (size_t)-1 is returned; the library's reader replaces such a character and goes on. */
#include "iconv.h"

#include <errno.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#define CP_UCS2LE 1200

struct corvina_iconv {
    unsigned from;
    unsigned to;
};

static int starts_with(const char* name, const char* prefix)
{
    return _strnicmp(name, prefix, strlen(prefix)) == 0;
}

/* The names the library asks for (its table of Access code pages) and the usual spellings. */
static unsigned code_page(const char* name)
{
    static const struct {
        const char* name;
        unsigned code_page;
    } named[] = {
        {"UTF-8", CP_UTF8},    {"UTF8", CP_UTF8},      {"UCS-2LE", CP_UCS2LE}, {"UTF-16LE", CP_UCS2LE},
        {"SHIFT-JIS", 932},    {"SHIFT_JIS", 932},     {"GBK", 936},           {"GB2312", 936},
        {"BIG-5", 950},        {"BIG5", 950},          {"BIG5-HKSCS", 951},    {"KOI8-R", 20866},
        {"KOI8-U", 21866},     {"EUC-JP", 20932},      {"EUC-CN", 51936},      {"EUC-KR", 51949},
        {"ISO-8859-1", 28591}, {"ISO-8859-2", 28592},  {"ISO-8859-3", 28593},  {"ISO-8859-4", 28594},
        {"ISO-8859-5", 28595}, {"ISO-8859-6", 28596},  {"ISO-8859-7", 28597},  {"ISO-8859-8", 28598},
        {"ISO-8859-9", 28599}, {"ISO-8859-13", 28603}, {"ISO-8859-15", 28605}, {"UTF-7", 65000},
    };
    for (size_t i = 0; i < sizeof named / sizeof named[0]; ++i)
        if (_stricmp(name, named[i].name) == 0)
            return named[i].code_page;
    const char* digits = NULL;
    if (starts_with(name, "WINDOWS-"))
        digits = name + 8;
    else if (starts_with(name, "CP") || starts_with(name, "IBM"))
        digits = name + (name[0] == 'I' || name[0] == 'i' ? 3 : 2);
    if (!digits || !*digits)
        return 0;
    char* end = NULL;
    const unsigned long number = strtoul(digits, &end, 10);
    if (*end || number == 0 || number > 65535 || (number != CP_UCS2LE && !IsValidCodePage((UINT)number)))
        return 0;
    return (unsigned)number;
}

iconv_t iconv_open(const char* tocode, const char* fromcode)
{
    const unsigned to = code_page(tocode), from = code_page(fromcode);
    if (!to || !from) {
        errno = EINVAL;
        return (iconv_t)-1;
    }
    iconv_t cd = malloc(sizeof *cd);
    if (!cd) {
        errno = ENOMEM;
        return (iconv_t)-1;
    }
    cd->from = from;
    cd->to = to;
    return cd;
}

int iconv_close(iconv_t cd)
{
    free(cd);
    return 0;
}

static size_t utf8_length(unsigned char lead)
{
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 0;
}

/* Reads the character at `in` into `wide` (one or two UTF-16 units): its length in bytes, 0 when
 * it cannot be read (errno EILSEQ, or EINVAL when the input ends inside it). */
static size_t read_char(unsigned from, const unsigned char* in, size_t left, wchar_t wide[2], int* units)
{
    if (from == CP_UCS2LE) {
        if (left < 2)
            return errno = EINVAL, 0;
        wide[0] = (wchar_t)(in[0] | in[1] << 8);
        *units = 1;
        if (wide[0] >= 0xD800 && wide[0] <= 0xDBFF) {
            if (left < 4)
                return errno = EINVAL, 0;
            wide[1] = (wchar_t)(in[2] | in[3] << 8);
            if (wide[1] < 0xDC00 || wide[1] > 0xDFFF)
                return errno = EILSEQ, 0;
            *units = 2;
            return 4;
        }
        return 2;
    }
    size_t length = 1;
    if (from == CP_UTF8)
        length = utf8_length(in[0]);
    else if (IsDBCSLeadByteEx(from, in[0]))
        length = 2;
    if (length == 0)
        return errno = EILSEQ, 0;
    if (left < length)
        return errno = EINVAL, 0;
    *units = MultiByteToWideChar(from, MB_ERR_INVALID_CHARS, (const char*)in, (int)length, wide, 2);
    if (*units <= 0)
        return errno = EILSEQ, 0;
    return length;
}

/* Writes `units` UTF-16 units into `out` (room for 8 bytes): the bytes written, 0 when the code
 * page has no such character. */
static size_t write_char(unsigned to, const wchar_t* wide, int units, char out[8])
{
    if (to == CP_UCS2LE) {
        for (int i = 0; i < units; ++i) {
            out[2 * i] = (char)(wide[i] & 0xFF);
            out[2 * i + 1] = (char)(wide[i] >> 8);
        }
        return (size_t)units * 2;
    }
    BOOL replaced = FALSE;
    const int written =
        WideCharToMultiByte(to, 0, wide, units, out, 8, NULL, to == CP_UTF8 || to == 65000 ? NULL : &replaced);
    return written <= 0 || replaced ? 0 : (size_t)written;
}

size_t iconv(iconv_t cd, char** inbuf, size_t* inbytesleft, char** outbuf, size_t* outbytesleft)
{
    if (!inbuf || !*inbuf)
        return 0; /* no shift state to reset */
    const unsigned char* in = (const unsigned char*)*inbuf;
    size_t left = *inbytesleft;
    size_t result = 0;
    while (left > 0) {
        wchar_t wide[2];
        int units = 0;
        const size_t read = read_char(cd->from, in, left, wide, &units);
        if (!read) {
            result = (size_t)-1;
            break;
        }
        char bytes[8];
        const size_t written = write_char(cd->to, wide, units, bytes);
        if (!written) {
            errno = EILSEQ;
            result = (size_t)-1;
            break;
        }
        if (written > *outbytesleft) {
            errno = E2BIG;
            result = (size_t)-1;
            break;
        }
        memcpy(*outbuf, bytes, written);
        *outbuf += written;
        *outbytesleft -= written;
        in += read;
        left -= read;
    }
    *inbuf = (char*)in;
    *inbytesleft = left;
    return result;
}
