// mysku.xml -> mysku.xml.gz through zlib's gz file interface, then the
// compressed file read back whole, as it goes into SKU.BIN unchanged.
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <zlib.h>

#include "pelgrin/image/sku_image.h"
#include "pelgrin/run/exit_status.h"
#include "pelgrin/run/run_constants.h"

namespace {

// Binary write, level 6, run-length strategy.
const char COMPRESSED_MODE[] = "wb6R";
const size_t STREAM_CHUNK = 16384;

int streamIntoGz(FILE* source, gzFile target) {
    uint8_t chunk[STREAM_CHUNK];
    for (;;) {
        size_t count = fread(chunk, 1, sizeof(chunk), source);
        if (ferror(source)) {
            puts("fread: Read Error !");
            return RUN_COMPRESSION_FAILED;
        }
        if (count == 0)
            return RUN_OK;
        if (gzwrite(target, chunk, static_cast<unsigned>(count)) != static_cast<int>(count)) {
            puts("gzwrite: Write Error !");
            return RUN_COMPRESSION_FAILED;
        }
    }
}

int writeCompressedFile() {
    FILE* source = fopen(MERGED_FILE, "rb");
    if (source == nullptr) {
        printf("Can't open %s\n", MERGED_FILE);
        return RUN_COMPRESSION_FAILED;
    }
    gzFile target = gzopen(COMPRESSED_FILE, COMPRESSED_MODE);
    if (target == nullptr) {
        fclose(source);
        printf("Can't open %s\n", COMPRESSED_FILE);
        return RUN_COMPRESSION_FAILED;
    }
    int status = streamIntoGz(source, target);
    fclose(source);
    // A failed write has already said so; the close only tidies up then.
    int closed = gzclose(target);
    if (status != 0)
        return status;
    if (closed != Z_OK) {
        puts("gzclose: Close Error !");
        return RUN_COMPRESSION_FAILED;
    }
    return RUN_OK;
}

int readCompressedFile(uint8_t* bytes, size_t size) {
    FILE* file = fopen(COMPRESSED_FILE, "rb");
    if (file == nullptr) {
        printf("Can't open %s\n", COMPRESSED_FILE);
        return RUN_IMAGE_FILE_FAILED;
    }
    size_t count = fread(bytes, 1, size, file);
    fclose(file);
    // A short read would put a cut stream into SKU.BIN.
    if (count != size) {
        puts("fread: Read Error !");
        return RUN_COMPRESSION_FAILED;
    }
    return RUN_OK;
}

int loadCompressedFile(SkuContext* context) {
    struct stat info;
    if (stat(COMPRESSED_FILE, &info) != 0) {
        puts("Error! No such file or directory!");
        return RUN_COMPRESSION_FAILED;
    }
    size_t size = static_cast<size_t>(info.st_size);
    uint8_t* bytes = static_cast<uint8_t*>(malloc(size > 0 ? size : 1));
    if (bytes == nullptr) {
        printf("Error! Not enough memory for %s\n", COMPRESSED_FILE);
        return RUN_COMPRESSION_FAILED;
    }
    int status = readCompressedFile(bytes, size);
    if (status != 0) {
        free(bytes);
        return status;
    }
    context->skuGz = bytes;
    context->skuGzSize = size;
    return RUN_OK;
}

}  // namespace

int compressDescription(SkuContext* context) {
    int status = writeCompressedFile();
    if (status != 0)
        return status;
    return loadCompressedFile(context);
}
