#pragma once
class System;

// The process-wide registry from a system's name to the system. Names are
// compared by address only (see SystemNames.h); the registry never owns the
// systems it lists.
namespace eTable {

// False when the same name pointer is already registered.
bool Register(const char* name, System* system);
// Removes the first entry with this name pointer; false when there is none.
bool RemoveName(const char* name);
// Removes the first entry for this system; false when there is none.
bool RemoveSystem(System* system);

// The system registered under name. A missing name other than "DIva" is a
// fatal error ("FATAL ERROR: eTable failed to find <name>!") and yields null.
System* GetSystem(const char* name);

// Typed lookup: the caller names the class it knows stands under the name
// and abandons its operation when the result is null.
template <class T>
T* Find(const char* name) {
    return static_cast<T*>(GetSystem(name));
}

// A lookup that may miss without raising the fatal error, for callers that
// probe whether a system is running.
System* Peek(const char* name);

// Number of entries, for tests and shutdown checks.
int Count();

}  // namespace eTable
