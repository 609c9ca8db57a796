#pragma once
#include <cstddef>
#include <list>
#include <unordered_map>

// Base of every engine component, render object, game object and UI object.
// A system has a name (a shared literal that doubles as its type tag), an
// initialized flag, an active flag and an ordered list of children it owns.
// Life cycle: construct inactive -> Init (register, create children) ->
// Update once a frame (children first) -> Shutdown (children last-first,
// leave the registry) -> destroy. A system destroyed while still
// initialised leaves the registry in the base destructor.
class System {
public:
    System() = default;
    System(const System&) = delete;
    System& operator=(const System&) = delete;
    virtual ~System();

    // a and b are pointer-sized arguments whose meaning each class defines.
    virtual bool Init(void* a = nullptr, void* b = nullptr) = 0;
    virtual bool Shutdown();
    virtual bool Update();

    // Shuts down and deletes every child, the last added first.
    void DestroyChildren();
    // Unlinks, shuts down and deletes the child; a pointer that is not a
    // child changes nothing.
    void DeleteChild(System* child);
    // Appends without calling Init.
    void AddChild(System* child);
    // Unlinks the child without shutting it down or deleting it (the caller
    // takes it over); false when it is not a child.
    bool ReleaseChild(System* child);
    bool HasChild(const System* child) const { return child && entryOf.count(child) != 0; }

    // Runs every child's Update in list order. Safe when a child deletes
    // itself or a sibling (or adds one) while the walk is going on.
    void UpdateChildren();

    const char* Name() const { return name; }
    bool IsInitialized() const { return initialized; }
    bool IsActive() const { return active; }
    void SetActive(bool on) { active = on; }
    const std::list<System*>& Children() const { return children; }

    // Creates a child the way every parent does: construct, append, Init
    // with the given arguments. The result of Init is deliberately not looked
    // at: a failed child stays listed, uninitialized, and does nothing.
    template <class T>
    T* CreateChild(void* a = nullptr, void* b = nullptr) {
        return AdoptChild(new T(), a, b);
    }
    template <class T>
    T* AdoptChild(T* child, void* a = nullptr, void* b = nullptr) {
        AddChild(child);
        child->Init(a, b);
        return child;
    }

protected:
    const char* name = nullptr;
    bool initialized = false;
    bool active = true;

private:
    using Entry = std::list<System*>::iterator;
    void CompactChildren();
    // The first entry after `from` that holds the child, for a child added
    // more than once.
    void IndexNextEntry(System* child, Entry from);

    std::list<System*> children;
    // Each child's first entry, so that releasing one of many children does
    // not search the list: tearing down a level of thousands of objects
    // stays in proportion to them.
    std::unordered_map<const System*, Entry> entryOf;
    std::size_t repeatedAdds = 0;  // children added while already listed
    // While the children are being walked, removed entries are only nulled
    // so that the walk's iterator stays valid; they are erased afterwards,
    // and only when there are some: a frame that removes nothing does not
    // walk the list a second time.
    int walkDepth = 0;
    bool hasNulledEntries = false;
};
