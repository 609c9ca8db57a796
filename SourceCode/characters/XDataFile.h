#pragma once
// The base of the program's .x text data files (characters, animations,
// surfaces). It runs the load and save sequences over the platform's .x
// reader and writer and calls the hooks in which each file kind registers its
// templates, reads data objects and builds the objects it writes. A file
// object is a short-lived value: construct it with what it reads into or
// writes from, call Load or Save, drop it.
#include <memory>
#include <string>
#include <vector>

#include "platform/d3dx/Math3D.h"
#include "platform/xfile/XFile.h"

// Values the file kinds read and write.
namespace xdata {
// A GUID written in the program's own text (it always parses).
plat::XGuid Guid(const char* text);
// The first three floats of an array value.
D3DXVECTOR3 Vector(const plat::XValue& array);
// An array value of count floats.
plat::XValue Floats(const float* values, std::size_t count);
}  // namespace xdata

// What a writer builds before the file is written: the templates the file
// defines and its top-level objects.
class XSaveObject {
public:
    explicit XSaveObject(const plat::XTemplateRegistry& registry) : registry(registry) {}

    // The templates the file defines, in this order; false (nothing
    // recorded) when one of them is not registered.
    bool SaveTemplates(const std::vector<plat::XGuid>& guids);
    // The registered template with that GUID, or null; writers build their
    // data values against it.
    const plat::XTemplate* Template(const plat::XGuid& guid) const;
    // A new object of that template holding data; null when the template is
    // unknown, the name is not a valid .x name or the data does not match the
    // template (a string holding '"', a number out of range): the file would
    // not read back.
    std::unique_ptr<plat::XDataObject> CreateDataObject(const plat::XGuid& templ, const std::string& name,
                                                        plat::XValue data) const;
    // Queues a finished top-level object (children included).
    bool SaveData(std::unique_ptr<plat::XDataObject> object);

    // The file's text; false when an object does not match its template.
    bool WriteText(std::string& out, std::string* error) const;

private:
    const plat::XTemplateRegistry& registry;
    std::vector<std::shared_ptr<const plat::XTemplate>> templates;
    std::vector<std::unique_ptr<plat::XDataObject>> objects;
};

class XDataFile {
public:
    // References are re-read where they stand, so a chain of references can
    // multiply the work; a load visits at most this many objects and nests
    // at most this deep.
    static constexpr int kMaxDepth = 64;
    static constexpr long kMaxVisits = 200000;

    XDataFile() = default;
    XDataFile(const XDataFile&) = delete;
    XDataFile& operator=(const XDataFile&) = delete;
    virtual ~XDataFile() = default;

    // False when the templates cannot be registered, the file cannot be read
    // or is not a .x text file, or LoadData refuses an object. A fault
    // further in is written to the error stream and ends the reading like the
    // end of the file: what was read before it stays applied (true).
    bool Load(const std::string& fileName, void* context);
    // The same for text already in memory (sourceName labels its errors).
    bool LoadText(const std::string& text, const std::string& sourceName, void* context);
    // Load in two steps, for a caller that must know the file is sound
    // before it lets go of what it has: Read reads and parses the whole file
    // and applies nothing (false, with the reason in the error stream, when
    // the file is not read at all or has a fault anywhere); Apply then reads
    // the document into the file's object as Load would.
    bool Read(const std::string& fileName, plat::XDocument& document, void* context);
    // Reads as Load does (a fault further in is written to the error stream
    // and what precedes it is kept) but applies nothing, for a caller that
    // applies one document more than once. False when the file is not read
    // at all.
    bool ReadUpToFault(const std::string& fileName, plat::XDocument& document, void* context);
    bool Apply(const plat::XDocument& document, void* context);
    // Writes to a temporary file renamed over fileName. False when the
    // templates cannot be registered, SaveData fails (nothing is written) or
    // the file cannot be written (the old file stays as it was).
    bool Save(const std::string& fileName, void* context);
    // The text Save would write to fileName, for a caller that writes it
    // together with other files. False when the templates cannot be
    // registered or the data cannot be written (the reason in the error
    // stream), and when the file kind declines to save (declined set: there
    // is nothing to write).
    bool ComposeText(const std::string& fileName, void* context, std::string& text, bool* declined = nullptr);

protected:
    virtual bool BeginLoad(void* context);
    virtual bool EndLoad(void* context);
    // parent is null at the top level. The default reads the children.
    virtual bool LoadData(const plat::XDataObject& object, const plat::XDataObject* parent, int depth,
                          void* context, bool isReference);
    virtual bool BeginSave(void* context);
    virtual bool EndSave(void* context);
    virtual bool SaveTemplates(XSaveObject& save, void* context);
    virtual bool SaveData(XSaveObject& save, void* context);
    virtual bool RegisterTemplates(plat::XTemplateRegistry& registry, void* context);

    // Reads every child in order with LoadData: owned children with
    // isReference false, referenced objects (read again where the reference
    // stands) with true. Results of LoadData are not looked at. Always true.
    bool LoadChildren(const plat::XDataObject& object, int depth, void* context, bool isReference);

    // Registers a file kind's template text; a fault is written to the
    // error stream (the text is the program's own, so it never should fail).
    static bool RegisterTemplateText(plat::XTemplateRegistry& registry, const char* text, const char* kind);

private:
    bool MayVisit(int depth);
    // Parses text into document; with wholeFile a fault anywhere is false,
    // else what precedes it is kept (true).
    bool Parse(const std::string& text, const std::string& sourceName, void* context, plat::XDocument& document,
               bool wholeFile);

    long visits = 0;
};
