#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include "scripting/ScriptErrorStream.h"

#include <string_view>

#include "platform/common/ErrorLog.h"

namespace scripting {
namespace {

constexpr std::string_view kTracebackStart = "Traceback (most recent call last):";

// The message being written: one stream serves every thread of the
// interpreter, and the interpreter's lock keeps their writes apart.
struct OpenMessage {
    bool open = false;
    bool traceback = false;
};
OpenMessage openMessage;

void EndMessage() {
    plat::EndErrorMessage();
    openMessage = {};
}

void TakePiece(std::string_view piece) {
    if (piece.empty()) return;
    if (!openMessage.open) openMessage = {true, piece.starts_with(kTracebackStart)};
    plat::AppendToErrorMessage(piece);
    if (piece.back() == '\n' && !openMessage.traceback) EndMessage();
}

PyObject* Write(PyObject*, PyObject* text) {
    if (!PyUnicode_Check(text)) {
        PyErr_Format(PyExc_TypeError, "write() argument must be str, not %.100s", Py_TYPE(text)->tp_name);
        return nullptr;
    }
    // Text that is no valid UTF-8 (lone surrogates) is written escaped, as
    // the interpreter's own stderr does.
    PyObject* bytes = PyUnicode_AsEncodedString(text, "utf-8", "backslashreplace");
    if (!bytes) return nullptr;
    TakePiece(std::string_view(PyBytes_AS_STRING(bytes), static_cast<std::size_t>(PyBytes_GET_SIZE(bytes))));
    Py_DECREF(bytes);
    return PyLong_FromSsize_t(PyUnicode_GET_LENGTH(text));
}

PyObject* Flush(PyObject*, PyObject*) {
    EndMessage();
    Py_RETURN_NONE;
}

PyObject* Yes(PyObject*, PyObject*) { Py_RETURN_TRUE; }
PyObject* No(PyObject*, PyObject*) { Py_RETURN_FALSE; }

PyMethodDef kMethods[] = {
    {"write", Write, METH_O, "Writes the text to the game's error log."},
    {"flush", Flush, METH_NOARGS, "Ends the message being written."},
    {"writable", Yes, METH_NOARGS, nullptr},
    {"readable", No, METH_NOARGS, nullptr},
    {"seekable", No, METH_NOARGS, nullptr},
    {"isatty", No, METH_NOARGS, nullptr},
    {nullptr, nullptr, 0, nullptr},
};

PyType_Slot kSlots[] = {
    {Py_tp_methods, kMethods},
    {Py_tp_doc, const_cast<char*>("The game's error log (err.txt), as the scripts' sys.stderr.")},
    {0, nullptr},
};

PyType_Spec kSpec = {"ZOPAPI.ErrorStream", sizeof(PyObject), 0, Py_TPFLAGS_DEFAULT, kSlots};

bool SetText(PyObject* type, const char* name, const char* value) {
    PyObject* text = PyUnicode_FromString(value);
    const bool set = text && PyObject_SetAttrString(type, name, text) == 0;
    Py_XDECREF(text);
    return set;
}

// What code that writes to a text stream may look at.
bool SetAttributes(PyObject* type) {
    return SetText(type, "encoding", "utf-8") && SetText(type, "errors", "backslashreplace") &&
           SetText(type, "name", "<stderr>") && PyObject_SetAttrString(type, "closed", Py_False) == 0;
}

}  // namespace

bool RouteScriptErrors() {
    openMessage = {};
    PyObject* type = PyType_FromSpec(&kSpec);
    PyObject* stream = type && SetAttributes(type) ? PyObject_CallNoArgs(type) : nullptr;
    const bool routed = stream && PySys_SetObject("stderr", stream) == 0;
    Py_XDECREF(stream);
    Py_XDECREF(type);
    if (!routed) {
        PyErr_Clear();
        plat::LogError("Error: The scripts' error stream could not be routed through the error log.\n");
    }
    return routed;
}

void EndScriptErrorMessage() { EndMessage(); }

}  // namespace scripting
