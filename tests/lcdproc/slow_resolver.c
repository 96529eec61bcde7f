/* Preloaded into lcdhost by the LCDproc tests: a name server that takes 10 s to answer. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <netdb.h>
#include <unistd.h>

typedef int (*Lookup)(const char*, const char*, const struct addrinfo*, struct addrinfo**);

int getaddrinfo(const char* node, const char* service, const struct addrinfo* hints,
                struct addrinfo** found) {
    sleep(10);
    Lookup real = (Lookup)dlsym(RTLD_NEXT, "getaddrinfo");
    return real(node, service, hints, found);
}
