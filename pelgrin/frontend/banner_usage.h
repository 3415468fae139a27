// The front end's fixed texts.
#pragma once

void printBanner();
void printUsage();
