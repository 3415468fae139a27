// skubin FILE [--extract DIR | --against FRUFILE] | --help | --version: checks
// one SKU.BIN and reports what it holds, or compares its FRU with a BMC's.
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

#include "skubin/skubin_report.h"

namespace {

// Far beyond any image (32768 bytes); protects against reading a disk image.
const std::streamoff FILE_LIMIT = 64 << 20;
const char USAGE[] = "usage: skubin FILE [--extract DIR | --against FRUFILE]\n";
const char VERSION[] = "skubin 1.2\n";
const char HELP[] =
    "usage: skubin FILE [--extract DIR | --against FRUFILE]\n"
    "       skubin --help | --version\n"
    "Checks one SKU.BIN offline and reports its header, directory, FRU image and\n"
    "description. --extract DIR writes NVRAM_FRU00.dat, sku.xml.gz and sku.xml.\n"
    "--against FRUFILE compares the FRU image with FRU device 0 as read from a BMC\n"
    "(0 match, 8 differs, one line per differing field).\n"
    "Exit status, by the first defect found:\n"
    "  0 OK, 1 bad arguments or I/O error, 2 not an image, 3 truncated,\n"
    "  4 bad header, 5 bad directory entry, 6 bad entry checksum, 7 bad FRU,\n"
    "  8 bad gzip, 9 bad XML, 10 bytes after the image size\n";

struct Arguments {
    std::string file;
    std::string extractDir;
    std::string againstFile;
    const char* text = nullptr;  // set by --help and --version: print it, check nothing
    bool valid = false;
};

// --help and --version win wherever they stand, as a person asking for them
// expects.
const char* informationAsked(const std::vector<std::string>& words) {
    for (const std::string& word : words) {
        if (word == "--help")
            return HELP;
    }
    for (const std::string& word : words) {
        if (word == "--version")
            return VERSION;
    }
    return nullptr;
}

Arguments parseArguments(const std::vector<std::string>& words) {
    Arguments arguments;
    arguments.text = informationAsked(words);
    if (arguments.text != nullptr) {
        arguments.valid = true;
        return arguments;
    }
    for (size_t i = 0; i < words.size(); ++i) {
        if (words[i] == "--extract" && i + 1 < words.size() && arguments.extractDir.empty())
            arguments.extractDir = words[++i];
        else if (words[i] == "--against" && i + 1 < words.size() && arguments.againstFile.empty())
            arguments.againstFile = words[++i];
        else if (!words[i].empty() && words[i][0] != '-' && arguments.file.empty())
            arguments.file = words[i];
        else
            return Arguments();
    }
    arguments.valid =
        !arguments.file.empty() && (arguments.extractDir.empty() || arguments.againstFile.empty());
    return arguments;
}

bool readWholeFile(const std::string& name, std::vector<uint8_t>* bytes, std::string* reason) {
    std::ifstream in(name, std::ios::binary | std::ios::ate);
    if (!in) {
        *reason = "cannot open " + name + ": " + strerror(errno);
        return false;
    }
    std::streamoff size = in.tellg();
    if (size < 0 || size > FILE_LIMIT) {
        *reason = name + " is not a regular file of at most 64 MiB";
        return false;
    }
    in.seekg(0);
    bytes->resize(static_cast<size_t>(size));
    in.read(reinterpret_cast<char*>(bytes->data()), size);
    if (in.gcount() != size) {
        *reason = "cannot read " + name;
        return false;
    }
    return true;
}

bool writeFile(const std::string& name, const void* data, size_t size, std::ostream& out) {
    std::ofstream file(name, std::ios::binary | std::ios::trunc);
    file.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    file.close();
    if (!file)
        return false;
    out << "  " << name << " (" << size << " bytes)\n";
    return true;
}

// File names are fixed: the names inside the image are not trusted as paths.
void extract(const std::string& dir, const SkubinImage& image, const std::string& xml,
             SkubinReport* report) {
    report->out << "Extracted\n";
    if (mkdir(dir.c_str(), 0777) != 0 && errno != EEXIST) {
        report->defect(SKUBIN_USAGE, "cannot create " + dir + ": " + strerror(errno));
        return;
    }
    bool written = true;
    if (image.fru.usable)
        written &=
            writeFile(dir + "/NVRAM_FRU00.dat", image.fru.bytes, image.fru.size, report->out);
    if (image.description.usable)
        written &= writeFile(dir + "/sku.xml.gz", image.description.bytes, image.description.size,
                             report->out);
    if (!xml.empty())
        written &= writeFile(dir + "/sku.xml", xml.data(), xml.size(), report->out);
    if (!written)
        report->defect(SKUBIN_USAGE, "cannot write the extracted files into " + dir);
}

int finish(const Arguments& arguments, const SkubinReport& report, std::ostream& err) {
    if (report.firstStatus == SKUBIN_OK) {
        report.out << "Result: OK\n";
        return SKUBIN_OK;
    }
    report.out << "Result: " << skubinStatusName(report.firstStatus) << " (exit status "
               << int(report.firstStatus) << "): " << report.firstReason << "\n";
    err << "skubin: " << arguments.file << ": " << report.firstReason << "\n";
    return report.firstStatus;
}

}  // namespace

int runSkubin(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
    Arguments arguments = parseArguments(words);
    if (!arguments.valid) {
        err << USAGE;
        return SKUBIN_USAGE;
    }
    if (arguments.text != nullptr) {
        out << arguments.text;
        return SKUBIN_OK;
    }
    SkubinImage image;
    std::string reason;
    if (!readWholeFile(arguments.file, &image.file, &reason)) {
        err << "skubin: " << reason << "\n";
        return SKUBIN_USAGE;
    }
    if (!arguments.againstFile.empty()) {
        std::vector<uint8_t> held;
        if (!readWholeFile(arguments.againstFile, &held, &reason)) {
            err << "skubin: " << reason << "\n";
            return SKUBIN_USAGE;
        }
        return compareFruAgainst(&image, held, out, err);
    }
    SkubinReport report(out);
    out << "skubin: " << arguments.file << " (" << image.file.size() << " bytes)\n";
    std::string xml;
    if (reportImage(&image, &xml, &report) && !arguments.extractDir.empty())
        extract(arguments.extractDir, image, xml, &report);
    return finish(arguments, report, err);
}

bool reportImage(SkubinImage* image, std::string* xml, SkubinReport* report) {
    if (!reportContainer(image, report))
        return false;
    reportFru(image->fru, report);
    reportDescription(image->description, xml, report);
    return true;
}
