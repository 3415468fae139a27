// Console and file streams of the UEFI C library layer.
#pragma once

#include <stdarg.h>
#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct UefiStream FILE;

extern FILE* const stdin;
extern FILE* const stdout;
extern FILE* const stderr;

#define EOF (-1)
#define BUFSIZ 512
#define _IOFBF 0
#define _IOLBF 1
#define _IONBF 2
#define SEEK_SET 0
#define SEEK_CUR 1
#define SEEK_END 2

#define VELSKU_PRINTF(format_index, first_arg) \
    __attribute__((format(printf, format_index, first_arg)))

int printf(const char* format, ...) VELSKU_PRINTF(1, 2);
int fprintf(FILE* stream, const char* format, ...) VELSKU_PRINTF(2, 3);
int sprintf(char* buffer, const char* format, ...) VELSKU_PRINTF(2, 3);
int snprintf(char* buffer, size_t size, const char* format, ...) VELSKU_PRINTF(3, 4);
int vprintf(const char* format, va_list args) VELSKU_PRINTF(1, 0);
int vfprintf(FILE* stream, const char* format, va_list args) VELSKU_PRINTF(2, 0);
int vsnprintf(char* buffer, size_t size, const char* format, va_list args) VELSKU_PRINTF(3, 0);

int puts(const char* text);
int fputs(const char* text, FILE* stream);
int putchar(int character);
int putc(int character, FILE* stream);
int fputc(int character, FILE* stream);
int fflush(FILE* stream);
int setvbuf(FILE* stream, char* buffer, int mode, size_t size);

FILE* fopen(const char* name, const char* mode);
int fclose(FILE* stream);
size_t fread(void* buffer, size_t size, size_t count, FILE* stream);
size_t fwrite(const void* buffer, size_t size, size_t count, FILE* stream);
int fseek(FILE* stream, long offset, int whence);
long ftell(FILE* stream);
void rewind(FILE* stream);
int ferror(FILE* stream);
int feof(FILE* stream);
void clearerr(FILE* stream);
int fgetc(FILE* stream);
int getc(FILE* stream);
int getchar(void);
char* fgets(char* buffer, int size, FILE* stream);
int remove(const char* name);

#ifdef __cplusplus
}
#endif
