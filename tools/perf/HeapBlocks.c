// A preload that keeps the call stack of every heap block of 64 KB or more while it is held, and on
// SIGUSR2 writes the blocks still held to /tmp/heap-blocks.PID (size, then return addresses; the
// process's /proc/PID/maps turns them into file offsets for addr2line). For finding who holds the
// large pictures:
//   cc -O1 -fPIC -shared tools/perf/HeapBlocks.c -o /tmp/heap-blocks.so -ldl -lpthread
//   LD_PRELOAD=/tmp/heap-blocks.so build/tesserine & sleep 5; kill -USR2 $!; cat /proc/$!/maps > maps
#define _GNU_SOURCE
#include <dlfcn.h>
#include <execinfo.h>
#include <pthread.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#define MOST_BLOCKS 4096
#define SMALLEST (64 * 1024)
#define DEPTH 16

struct Block {
    void* at;
    size_t size;
    void* stack[DEPTH];
    int depth;
};

static struct Block blocks[MOST_BLOCKS];
static pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
static __thread int inside; // backtrace() may allocate the first time
static void* (*real_malloc)(size_t);
static void* (*real_calloc)(size_t, size_t);
static void* (*real_realloc)(void*, size_t);
static void (*real_free)(void*);
static int (*real_memalign)(void**, size_t, size_t);
// dlsym itself allocates before the real functions are known: those few bytes come from here.
static char early[65536];
static size_t early_used;

static int is_early(void* p) {
    return (char*)p >= early && (char*)p < early + sizeof early;
}

static void* early_alloc(size_t n) {
    if (early_used + n > sizeof early) return NULL;
    void* p = early + early_used;
    early_used += (n + 15) & ~(size_t)15;
    return p;
}

static void find_real(void) {
    if (real_malloc) return;
    real_calloc = dlsym(RTLD_NEXT, "calloc");
    real_realloc = dlsym(RTLD_NEXT, "realloc");
    real_free = dlsym(RTLD_NEXT, "free");
    real_memalign = dlsym(RTLD_NEXT, "posix_memalign");
    real_malloc = dlsym(RTLD_NEXT, "malloc");
}

static void note(void* p, size_t n) {
    if (!p || n < SMALLEST || inside) return;
    inside = 1;
    pthread_mutex_lock(&lock);
    for (int i = 0; i < MOST_BLOCKS; ++i)
        if (!blocks[i].at) {
            blocks[i].at = p;
            blocks[i].size = n;
            blocks[i].depth = backtrace(blocks[i].stack, DEPTH);
            break;
        }
    pthread_mutex_unlock(&lock);
    inside = 0;
}

static void forget(void* p) {
    if (!p) return;
    pthread_mutex_lock(&lock);
    for (int i = 0; i < MOST_BLOCKS; ++i)
        if (blocks[i].at == p) {
            blocks[i].at = NULL;
            break;
        }
    pthread_mutex_unlock(&lock);
}

void* malloc(size_t n) {
    if (!real_malloc) {
        find_real();
        if (!real_malloc) return early_alloc(n);
    }
    void* p = real_malloc(n);
    note(p, n);
    return p;
}

void* calloc(size_t count, size_t size) {
    if (!real_calloc) return early_alloc(count * size); // zeroed: static storage
    void* p = real_calloc(count, size);
    note(p, count * size);
    return p;
}

void* realloc(void* old, size_t n) {
    find_real();
    if (is_early(old)) {
        void* p = real_malloc(n);
        if (p) memcpy(p, old, n);
        note(p, n);
        return p;
    }
    forget(old);
    void* p = real_realloc(old, n);
    note(p, n);
    return p;
}

int posix_memalign(void** out, size_t alignment, size_t n) {
    find_real();
    int failed = real_memalign(out, alignment, n);
    if (!failed) note(*out, n);
    return failed;
}

void free(void* p) {
    if (!p || is_early(p)) return;
    find_real();
    forget(p);
    real_free(p);
}

static void write_blocks(int signal) {
    (void)signal;
    char path[64];
    snprintf(path, sizeof path, "/tmp/heap-blocks.%d", (int)getpid());
    FILE* out = fopen(path, "w");
    if (!out) return;
    size_t total = 0;
    for (int i = 0; i < MOST_BLOCKS; ++i) {
        if (!blocks[i].at) continue;
        total += blocks[i].size;
        fprintf(out, "block %zu\n", blocks[i].size);
        for (int k = 0; k < blocks[i].depth; ++k)
            fprintf(out, "  %p\n", blocks[i].stack[k]);
    }
    fprintf(out, "total %zu\n", total);
    fclose(out);
}

__attribute__((constructor)) static void start(void) {
    find_real();
    signal(SIGUSR2, write_blocks);
}
