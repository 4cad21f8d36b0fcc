#include "worker/Sandbox.h"

#include <cerrno>
#include <chrono>
#include <thread>
#include <cstddef>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

void refuseNetwork() {
#if defined(__x86_64__)
    // Socket calls fail with EPERM; the worker speaks only over the socket
    // pair it was started with, which is already open.
    struct sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(struct seccomp_data, arch)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, AUDIT_ARCH_X86_64, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(struct seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_socket, 3, 0),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_connect, 2, 0),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_bind, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | (EPERM & SECCOMP_RET_DATA)),
    };
    struct sock_fprog program = {static_cast<unsigned short>(sizeof filter / sizeof filter[0]),
                                 filter};
    ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program);
#endif
}

} // namespace

// The worker must not outlive the process it serves, even while it hangs in
// the library. The parent-death signal would follow the thread that started
// the worker, and the client's threads come and go with each batch, so a
// watcher thread looks for the parent itself.
void endWithParent() {
    const pid_t parent = ::getppid();
    if (parent == 1)
        ::_exit(0);
    std::thread([parent] {
        for (;;) {
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            if (::getppid() != parent)
                ::_exit(0);
        }
    }).detach();
}

void enterSandbox(qint64 memoryLimitBytes) {
    endWithParent();
    ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0);
    ::prctl(PR_SET_DUMPABLE, 0);
    const struct rlimit noCore = {0, 0};
    ::setrlimit(RLIMIT_CORE, &noCore);
#if defined(TESSAVIEW_SANITIZED_BUILD)
    // The sanitizers reserve terabytes of address space for their shadow memory.
    memoryLimitBytes = 0;
#endif
    if (memoryLimitBytes > 0) {
        const struct rlimit memory = {rlim_t(memoryLimitBytes), rlim_t(memoryLimitBytes)};
        ::setrlimit(RLIMIT_AS, &memory);
    }
    refuseNetwork();
}
