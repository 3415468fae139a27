// Every status a production run can end with. Some values carry two
// meanings, because the stages that return them were defined apart and
// stations already rely on the numbers; each meaning has its own name.
#pragma once

// X(name, value, meaning): the README's status table is checked against this
// list, so a status added here must be documented there.
#define PELGRIN_RUN_STATUSES(X)                                                                 \
    X(RUN_OK, 0, "done")                                                                        \
    X(RUN_IMAGE_FILE_FAILED, 1, "SKU.BIN too big or not writable, mysku.xml.gz unreadable")     \
    X(RUN_DOORBELL_TIMEOUT, 1, "the BMC did not take the doorbell within 30 s")                 \
    X(RUN_DOORBELL_REFUSED, 1, "the BMC refused the doorbell, or its window went")              \
    X(RUN_BAD_DESCRIPTION, 2, "SKU.xml unusable")                                               \
    X(RUN_BAD_GIVEN_VALUE, 3, "a command-line value refused")                                   \
    X(RUN_NEEDS_NEWER_TOOL, 5, "SKU.xml requires a newer pelgrin")                              \
    X(RUN_NO_VALUE, 6, "no value given")                                                        \
    X(RUN_NO_CHANNEL, 7, "no shared-memory address or no BMC window")                           \
    X(RUN_WINDOW_UNTRUSTED, 7, "BMC address or window not trusted; nothing sent")               \
    X(RUN_VERIFY_MISMATCH, 8, "the BMC's FRU differs from SKU.BIN's")                           \
    X(RUN_VERIFY_UNREADABLE, 9, "the BMC did not come back, or its FRU could not be read")      \
    X(RUN_HARDWARE_REFUSED, 11, "Linux build only: a hardware access refused")                  \
    X(RUN_IDENTITY_GIVEN_BEFORE, 12, "a value already given to another unit in the log")        \
    X(RUN_FRU_WRITE_FAILED, 13, "WRITEFRU: the FRU area refused or cannot hold the image")      \
    X(RUN_RECORD_FAILED, 14, "LOG=: the unit's record cannot be written")                       \
    X(RUN_SKU_DIGEST_MISMATCH, 15, "SKUSHA256=: SKU.xml is not the one the stick was made for") \
    X(RUN_COMPRESSION_FAILED, -1, "compressing mysku.xml failed")                               \
    X(RUN_UPLOAD_NO_FILE, -1, "the file to upload is missing")                                  \
    X(RUN_NO_SKU_FILE, -2, "SKU.xml missing")                                                   \
    X(RUN_UPLOAD_TOO_LARGE, -2, "the file to upload is over 32768 bytes")                       \
    X(RUN_UPLOAD_UNREADABLE, -3, "the file to upload cannot be opened")                         \
    X(RUN_OUT_OF_MEMORY, -12, "out of memory, or mysku.xml not writable")

#define PELGRIN_RUN_STATUS_ENUMERATOR(name, value, meaning) name = value,
enum RunStatus : int { PELGRIN_RUN_STATUSES(PELGRIN_RUN_STATUS_ENUMERATOR) };
#undef PELGRIN_RUN_STATUS_ENUMERATOR
