// The script interpreter's one call. The preview only ever makes its test
// call, so the interpreter is the least that answers it: code 1 runs `text`
// as a one-line script whose result is the text itself (BASICEXECUTE(1,
// "Hello") gives "Hello"); other codes give an empty result.
#pragma once
#include <string>

#include "model/numbers.h"

namespace kv {

std::string BASICEXECUTE(Long code, const std::string& text);

}  // namespace kv
