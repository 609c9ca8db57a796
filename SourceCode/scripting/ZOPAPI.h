#pragma once
// The engine module that scripts import as "ZOPAPI": 125 functions through
// which they build levels, menus and triggers and read the data bank.
struct _object;
using PyObject = _object;

namespace zopapi {
inline constexpr char kModuleName[] = "ZOPAPI";
inline constexpr int kFunctionCount = 125;

// Creates the module object (the interpreter's init function for the
// built-in module table).
PyObject* CreateModule();
}  // namespace zopapi
