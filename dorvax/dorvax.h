#pragma once

// The raw request tool: one IPMI request from the command line over KCS;
// prints the response or its completion-code text. Returns 0 or -1.
int dorvaxMain(int argc, char** argv);
