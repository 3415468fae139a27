#pragma once

// The production run: keyword scan, SKU processing, summary, upload.
int pelgrinMain(int argc, char** argv);
