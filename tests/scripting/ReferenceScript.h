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
    return "import importlib.util\n"
           "_spec = importlib.util.spec_from_file_location('zopapi_reference', " +
           PythonText((folder / "zopapi_reference.py").string()) +
           ")\n"
           "maker = importlib.util.module_from_spec(_spec)\n"
           "_spec.loader.exec_module(maker)\n"
           "with open(" +
           PythonText((folder / "ZOPAPI.reference.md").string()) +
           ", encoding='utf-8') as _f:\n"
           "    text = _f.read()\n";
}
