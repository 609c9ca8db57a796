#pragma once
// The engine module's reference as the scripting tests read it: a script
// module that loads its maker (SourceCode/scripting/zopapi_reference.py) as
// `maker` and its text (ZOPAPI.reference.md beside it) as `text`.
#include <string>

#include "support/TempDir.h"

// A Python string literal holding the text.
inline std::string PythonText(const std::string& text) {
    std::string literal = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"') literal += '\\';
        literal += c;
    }
    return literal + "\"";
}

inline std::string ReferenceScript() {
    const auto folder = ScopedTempDir::RepositoryRoot() / "SourceCode" / "scripting";
    return "import types\n"
           "maker = types.ModuleType('zopapi_reference')\n"
           "with open(" +
           PythonText((folder / "zopapi_reference.py").string()) +
           ", encoding='utf-8') as _f:\n"
           "    exec(compile(_f.read(), 'zopapi_reference.py', 'exec'), maker.__dict__)\n"
           "with open(" +
           PythonText((folder / "ZOPAPI.reference.md").string()) +
           ", encoding='utf-8') as _f:\n"
           "    text = _f.read()\n";
}
