#include "pelgrin/frontend/prompts.h"

#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include "pelgrin/run/exit_status.h"
#include "pelgrin/sku/given_values.h"

namespace {

const int ESCAPE = 0x1B;
const int BACKSPACE = 0x08;
const int DELETE = 0x7F;

enum AnswerEnd { ANSWER_ACCEPTED, ANSWER_TOO_LONG, ANSWER_ABANDONED };

struct Reader {
    PromptAnswers* answers;
    bool echo;  // a terminal echoes by itself; a pipe and the firmware console do not
};

// The row whose keyword is the `length` bytes at `name`, or null.
const ValueKeyword* findRow(const char* name, size_t length, size_t* index) {
    for (size_t i = 0; i < VALUE_KEYWORD_COUNT; ++i) {
        const char* keyword = VALUE_KEYWORDS[i].keyword;
        if (strlen(keyword) == length && strncmp(keyword, name, length) == 0) {
            *index = i;
            return &VALUE_KEYWORDS[i];
        }
    }
    return nullptr;
}

size_t itemLength(const char* item) {
    const char* comma = strchr(item, ',');
    return comma != nullptr ? static_cast<size_t>(comma - item) : strlen(item);
}

const char* nextItem(const char* item) {
    size_t length = itemLength(item);
    return item[length] == ',' ? item + length + 1 : item + length;
}

int checkList(const char* askList) {
    for (const char* item = askList; *item != '\0'; item = nextItem(item)) {
        size_t length = itemLength(item), index;
        if (length > 0 && findRow(item, length, &index) == nullptr) {
            printf("Error! ASK= names %.*s, which is not a value keyword\n",
                   static_cast<int>(length), item);
            return RUN_BAD_GIVEN_VALUE;
        }
    }
    return RUN_OK;
}

int readKey(Reader* reader) {
    int key = getchar();
    if (reader->answers->skipLineFeed && key == '\n')
        key = getchar();
    reader->answers->skipLineFeed = key == '\r';
    return key;
}

void echo(const Reader& reader, const char* text) {
    if (reader.echo)
        fputs(text, stdout);
}

void takeBack(const Reader& reader, char* buffer, size_t* length) {
    if (*length == 0)
        return;
    // A UTF-8 character goes as a whole: its continuation bytes, then its lead.
    while (*length > 0 && (static_cast<unsigned char>(buffer[*length - 1]) & 0xC0) == 0x80)
        --*length;
    if (*length > 0)
        --*length;
    echo(reader, "\b \b");
}

AnswerEnd readAnswer(Reader* reader, char* buffer) {
    size_t length = 0;
    bool tooLong = false;
    for (;;) {
        int key = readKey(reader);
        if (key == EOF || key == ESCAPE)
            return ANSWER_ABANDONED;
        if (key == '\r' || key == '\n') {
            buffer[length] = '\0';
            echo(*reader, "\n");
            return tooLong ? ANSWER_TOO_LONG : ANSWER_ACCEPTED;
        }
        if (key == BACKSPACE || key == DELETE) {
            takeBack(*reader, buffer, &length);
        } else if (length + 1 < ANSWER_CAPACITY) {
            buffer[length++] = static_cast<char>(key);
            char typed[2] = {static_cast<char>(key), '\0'};
            echo(*reader, typed);
        } else {
            tooLong = true;
        }
    }
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// A scanner's prefix or suffix (space, Tab) is no part of the code it read.
void dropSurroundingBlanks(char* answer) {
    size_t start = 0;
    while (isBlank(answer[start]))
        ++start;
    size_t end = strlen(answer);
    while (end > start && isBlank(answer[end - 1]))
        --end;
    memmove(answer, answer + start, end - start);
    answer[end - start] = '\0';
}

// 0 with the value set, 3 after the last refusal, 6 when given up.
int askOne(Reader* reader, const ValueKeyword& row, char* buffer, SkuContext* context) {
    for (int attempt = 0; attempt < ANSWER_ATTEMPTS; ++attempt) {
        printf("Scan %s: ", row.keyword);
        fflush(stdout);
        AnswerEnd end = readAnswer(reader, buffer);
        if (end == ANSWER_ABANDONED) {
            printf("\nNo %s scanned: stopped before any output file was touched\n", row.keyword);
            return RUN_NO_VALUE;
        }
        dropSurroundingBlanks(buffer);
        if (end == ANSWER_TOO_LONG)
            printf("Error! The scanned %s is longer than %d bytes\n", row.keyword,
                   static_cast<int>(ANSWER_CAPACITY - 1));
        else if (checkAnswer(*context, row, buffer) == RUN_OK) {
            context->*row.field = buffer;
            return RUN_OK;
        }
        ++reader->answers->refused;
    }
    return RUN_BAD_GIVEN_VALUE;
}

}  // namespace

int askForValues(const char* askList, SkuContext* context, PromptAnswers* answers,
                 bool* anyAnswered) {
    int status = checkList(askList);
    Reader reader = {answers, isatty(STDIN_FILENO) == 0};
    for (const char* item = askList; status == RUN_OK && *item != '\0'; item = nextItem(item)) {
        size_t index;
        const ValueKeyword* row = findRow(item, itemLength(item), &index);
        if (row == nullptr || context->*row->field != nullptr)
            continue;
        status = askOne(&reader, *row, answers->text[index], context);
        if (status == RUN_OK)
            *anyAnswered = true;
    }
    return status;
}
