// Built into every program of the sanitizer and fuzz builds: the engine
// library hands this source to each program that links it (a definition in
// the library itself would never be linked in).
//
// The leak checker of our toolchains guesses the extent of a dynamic TLS
// block (the thread-local data of a library loaded at run time, such as the
// GL driver's) from the 16 bytes before it whenever the block starts 16
// bytes into a page. The C library now puts those blocks on the heap, where
// those bytes are the allocator's chunk header: the checker's tracer then
// scans a made-up range and dies ("Tracer caught signal 11"), in whichever
// program the heap happened to place a block there. Elsewhere it cannot size
// such a block and never scans it, so not following the TLS lookups loses
// the leak check nothing.
extern "C" const char* __asan_default_options() { return "intercept_tls_get_addr=0"; }
