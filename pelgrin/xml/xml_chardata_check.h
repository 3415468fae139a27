#pragma once

// True when `text` can stand as XML character data: well-formed UTF-8 (no
// overlong forms, surrogates or code points past U+10FFFF) holding no
// character that XML 1.0 forbids (C0 controls other than tab, line feed and
// carriage return; U+FFFE, U+FFFF). An operator's value that fails this would
// make mysku.xml, and the description the BMC receives, unreadable.
bool isXmlText(const char* text);
