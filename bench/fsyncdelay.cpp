// Loaded with LD_PRELOAD by the stall benchmark: every fsync() waits one second first, as on a
// busy disk, a network folder or an encrypted volume under load.
#include <dlfcn.h>
#include <time.h>

extern "C" int fsync(int fd)
{
    using Fsync = int (*)(int);
    static const auto real = reinterpret_cast<Fsync>(dlsym(RTLD_NEXT, "fsync"));
    const timespec second{1, 0};
    nanosleep(&second, nullptr);
    return real(fd);
}
