// Stand-in for Apple's <xlocale.h>: the locale-taking "_l" variants that
// libc++ calls on a Mac, over glibc's declarations. Apple documents them in
// the xlocale(3) man page and the pages of each base function.
#pragma once

#include <ctype.h>
#include <locale.h>
#include <stdarg.h>
#include <stddef.h>
#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

// glibc defines these as macros over its own locale layout; Apple declares
// functions.
#undef isdigit_l
#undef isxdigit_l

#ifdef __cplusplus
extern "C" {
#endif

// xlocale(3): the calling thread's and the C locale's limits.
size_t ___mb_cur_max_l(locale_t);
#define MB_CUR_MAX_L(x) (___mb_cur_max_l(x))
struct lconv* localeconv_l(locale_t);

// strtol(3), strtod(3)
long long strtoll_l(const char* __restrict, char** __restrict, int, locale_t);
unsigned long long strtoull_l(const char* __restrict, char** __restrict, int, locale_t);
float strtof_l(const char* __restrict, char** __restrict, locale_t);
double strtod_l(const char* __restrict, char** __restrict, locale_t);
long double strtold_l(const char* __restrict, char** __restrict, locale_t);

// printf(3), scanf(3)
int snprintf_l(char* __restrict, size_t, locale_t, const char* __restrict, ...);
int asprintf_l(char**, locale_t, const char*, ...);
int sscanf_l(const char* __restrict, locale_t, const char* __restrict, ...);

// btowc(3), wctob(3), mbrtowc(3), wcrtomb(3), mbsrtowcs(3), wcsrtombs(3)
wint_t btowc_l(int, locale_t);
int wctob_l(wint_t, locale_t);
size_t mbrtowc_l(wchar_t* __restrict, const char* __restrict, size_t, mbstate_t* __restrict, locale_t);
int mbtowc_l(wchar_t* __restrict, const char* __restrict, size_t, locale_t);
size_t mbrlen_l(const char* __restrict, size_t, mbstate_t* __restrict, locale_t);
size_t wcrtomb_l(char* __restrict, wchar_t, mbstate_t* __restrict, locale_t);
size_t mbsrtowcs_l(wchar_t* __restrict, const char** __restrict, size_t, mbstate_t* __restrict, locale_t);
size_t mbsnrtowcs_l(wchar_t* __restrict, const char** __restrict, size_t, size_t, mbstate_t* __restrict, locale_t);
size_t wcsnrtombs_l(char* __restrict, const wchar_t** __restrict, size_t, size_t, mbstate_t* __restrict, locale_t);

#ifdef __cplusplus
}
#endif
