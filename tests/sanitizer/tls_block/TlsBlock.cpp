// A library with thread-local data, loaded at run time: each thread's first
// use of it has the C library allocate that thread's block on the heap.
namespace {
thread_local char block[24];
}

extern "C" void* ThreadBlock() { return block; }
