/* The iconv interface over Windows' own code-page conversion, for the MDB Tools library built for
 * Windows: mingw-w64 has no iconv. Windows knows every code page an Access file names (GBK 936
 * and the others), so its tables are the ones the clerk's own programs use. */
#ifndef CORVINA_WINDOWS_ICONV_H
#define CORVINA_WINDOWS_ICONV_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct corvina_iconv* iconv_t;

iconv_t iconv_open(const char* tocode, const char* fromcode);
size_t iconv(iconv_t cd, char** inbuf, size_t* inbytesleft, char** outbuf, size_t* outbytesleft);
int iconv_close(iconv_t cd);

#ifdef __cplusplus
}
#endif

#endif
