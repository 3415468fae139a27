// The Windows object format that clang emits marks every object using
// floating point with a reference to _fltused, which a C runtime would define.
extern "C" {
int _fltused = 0;
}
