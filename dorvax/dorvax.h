#pragma once

// The raw request tool: one IPMI request from the command line over KCS;
// prints the response or its completion-code text. Returns 0 only for a
// reply with completion code 0, -1 otherwise.
int dorvaxMain(int argc, char** argv);
