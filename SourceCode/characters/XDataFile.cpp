#include "characters/XDataFile.h"

#include <cstring>

#include "platform/common/ErrorLog.h"
#include "platform/common/Files.h"

namespace {

void LogError(const std::string& what) { plat::LogError("Error: " + what); }

// A file is read at all only with a good .x header (text, binary or
// compressed); anything else is not a data file of ours, which is said.
bool HasXHeader(const std::string& text, const std::string& fileName) {
    std::string error;
    if (plat::CheckXFileHeader(text, &error, fileName)) return true;
    LogError(text.empty() ? fileName + ": the file is empty" : error);
    return false;
}

bool ReadText(const std::string& fileName, std::string& text) {
    std::string why;
    if (plat::ReadWholeFile(fileName, text, plat::FileKind::XFile, &why)) return true;
    LogError(why);
    return false;
}

}  // namespace

namespace xdata {

plat::XGuid Guid(const char* text) { return *plat::XGuid::Parse(text); }

D3DXVECTOR3 Vector(const plat::XValue& array) {
    return {array[0].AsFloat(), array[1].AsFloat(), array[2].AsFloat()};
}

plat::XValue Floats(const float* values, std::size_t count) {
    std::vector<plat::XValue> items;
    for (std::size_t i = 0; i < count; ++i) items.push_back(plat::XValue::Real(values[i]));
    return plat::XValue::Array(std::move(items));
}

}  // namespace xdata

bool XSaveObject::SaveTemplates(const std::vector<plat::XGuid>& guids) {
    std::vector<std::shared_ptr<const plat::XTemplate>> found;
    for (const plat::XGuid& guid : guids) {
        auto templ = registry.FindByGuid(guid);
        if (!templ) return false;
        found.push_back(std::move(templ));
    }
    templates.insert(templates.end(), found.begin(), found.end());
    return true;
}

const plat::XTemplate* XSaveObject::Template(const plat::XGuid& guid) const { return registry.FindByGuid(guid).get(); }

std::unique_ptr<plat::XDataObject> XSaveObject::CreateDataObject(const plat::XGuid& templ, const std::string& name,
                                                                 plat::XValue data) const {
    auto found = registry.FindByGuid(templ);
    if (!found) return nullptr;
    auto object = std::make_unique<plat::XDataObject>(std::move(found), name, std::move(data));
    if (!plat::ValidateXObject(*object, nullptr)) return nullptr;
    return object;
}

bool XSaveObject::SaveData(std::unique_ptr<plat::XDataObject> object) {
    if (!object) return false;
    objects.push_back(std::move(object));
    return true;
}

bool XSaveObject::WriteText(std::string& out, std::string* error) const {
    std::vector<const plat::XDataObject*> list;
    for (const auto& o : objects) list.push_back(o.get());
    return plat::WriteXFile(templates, list, out, error);
}

bool XDataFile::Load(const std::string& fileName, void* context) {
    std::string text;
    if (!ReadText(fileName, text)) return false;
    return LoadText(text, fileName, context);
}

bool XDataFile::LoadText(const std::string& text, const std::string& sourceName, void* context) {
    plat::XDocument document;
    if (!Parse(text, sourceName, context, document, false)) return false;
    return Apply(document, context);
}

bool XDataFile::Read(const std::string& fileName, plat::XDocument& document, void* context) {
    std::string text;
    return ReadText(fileName, text) && Parse(text, fileName, context, document, true);
}

bool XDataFile::ReadUpToFault(const std::string& fileName, plat::XDocument& document, void* context) {
    std::string text;
    return ReadText(fileName, text) && Parse(text, fileName, context, document, false);
}

bool XDataFile::Parse(const std::string& text, const std::string& sourceName, void* context,
                      plat::XDocument& document, bool wholeFile) {
    plat::XTemplateRegistry registry;
    if (!RegisterTemplates(registry, context) || !HasXHeader(text, sourceName)) return false;
    std::string error;
    if (plat::ParseXFileUpToError(text, registry, document, &error, sourceName)) return true;
    LogError(error);
    return !wholeFile;
}

bool XDataFile::Apply(const plat::XDocument& document, void* context) {
    bool ok = true;
    if (BeginLoad(context)) {
        visits = 0;
        for (const auto& object : document.objects) {
            if (!MayVisit(0)) break;
            if (!LoadData(*object, nullptr, 0, context, false)) {
                ok = false;
                break;
            }
        }
    }
    EndLoad(context);
    return ok;
}

bool XDataFile::ComposeText(const std::string& fileName, void* context, std::string& text, bool* declined) {
    if (declined) *declined = false;
    plat::XTemplateRegistry registry;
    if (!RegisterTemplates(registry, context)) return false;
    if (!BeginSave(context)) {
        EndSave(context);
        if (declined) *declined = true;
        return false;
    }
    XSaveObject save(registry);
    SaveTemplates(save, context);
    bool ok = SaveData(save, context);
    std::string error;
    if (!ok) {
        LogError(fileName + ": the data cannot be written as a .x file; the file is left as it was");
    } else if (!save.WriteText(text, &error)) {
        LogError(error);
        ok = false;
    }
    EndSave(context);
    return ok;
}

bool XDataFile::Save(const std::string& fileName, void* context) {
    std::string text, error;
    bool declined = false;
    if (!ComposeText(fileName, context, text, &declined)) return declined;
    if (plat::ReplaceFile(fileName, text, &error)) return true;
    LogError(error);
    return false;
}

bool XDataFile::MayVisit(int depth) {
    if (depth >= kMaxDepth || visits >= kMaxVisits) return false;
    ++visits;
    return true;
}

bool XDataFile::LoadChildren(const plat::XDataObject& object, int depth, void* context, bool /*isReference*/) {
    for (const plat::XChild& child : object.children) {
        const plat::XDataObject* target = child.Target();
        if (!target || !MayVisit(depth + 1)) continue;
        LoadData(*target, &object, depth + 1, context, child.IsReference());
    }
    return true;
}

bool XDataFile::RegisterTemplateText(plat::XTemplateRegistry& registry, const char* text, const char* kind) {
    std::string error;
    if (registry.RegisterTemplates(text, &error, kind)) return true;
    LogError(error);
    return false;
}

bool XDataFile::BeginLoad(void*) { return true; }
bool XDataFile::EndLoad(void*) { return true; }
bool XDataFile::LoadData(const plat::XDataObject& object, const plat::XDataObject*, int depth, void* context,
                         bool isReference) {
    return LoadChildren(object, depth, context, isReference);
}
bool XDataFile::BeginSave(void*) { return true; }
bool XDataFile::EndSave(void*) { return true; }
bool XDataFile::SaveTemplates(XSaveObject&, void*) { return true; }
bool XDataFile::SaveData(XSaveObject&, void*) { return true; }
bool XDataFile::RegisterTemplates(plat::XTemplateRegistry&, void*) { return true; }
