// The front end's fixed texts.
#pragma once

void printBanner();
// The banner's version line alone, for --version.
void printVersionLine();
void printUsage();
