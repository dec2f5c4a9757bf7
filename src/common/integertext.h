#pragma once

#include <QString>

// Integer text as the settings store and the dialogs read it: an optional
// sign, then decimal, "0x"/"0X" hex or "$" hex digits, nothing else. Hex text
// names the 32 bits themselves ("0xFFFFFFFF" is -1). False when the text is
// not such an integer or does not fit in 32 bits; `value` is then untouched.
bool parseIntegerText(const QString &text, int *value);
