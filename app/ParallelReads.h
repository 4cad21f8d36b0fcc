#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <thread>
#include <vector>

// Calls read(i) for every i below count on up to `threads` threads, the
// calling one among them, and returns the answers in index order. Reading a
// photo mostly waits on a worker process, so several readers keep the
// workers busy. Once cancel is set each thread stops after the item in hand;
// the items not read keep a default answer. Plain threads rather than pool
// tasks: the caller is itself a pool task, and waiting there on other pool
// tasks could wait for ever on a full pool.
template <typename Answer, typename Read>
std::vector<Answer> readInParallel(size_t count, int threads, const std::atomic<bool>& cancel,
                                   Read read) {
    std::vector<Answer> answers(count);
    std::atomic<size_t> next{0};
    auto work = [&] {
        for (size_t i = next++; i < count && !cancel; i = next++)
            answers[i] = read(i);
    };
    std::vector<std::thread> helpers;
    const int helperCount = std::min<int>(threads, int(count)) - 1;
    for (int t = 0; t < helperCount; ++t)
        helpers.emplace_back(work);
    work();
    for (std::thread& helper : helpers)
        helper.join();
    return answers;
}
