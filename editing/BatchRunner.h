#pragma once

#include "metadata/MetadataService.h"

#include <atomic>
#include <functional>
#include <vector>

struct BatchOptions {
    int threads = 0; // 0: one per core
    // Called from the worker threads after each photo: photos done, photos in all.
    std::function<void(int done, int total)> progress;
    // Set from any thread: each thread stops after the photo in hand.
    const std::atomic<bool>* cancel = nullptr;
    // Whether the written photos get XMP sidecars (RewriteJob::sidecar).
    SidecarPolicy sidecar = SidecarPolicy::Present;
};

// One photo of a batch: the files it reads and writes, and how to do it.
struct BatchTask {
    QString inputPath;
    QString outputPath;
    std::function<PhotoOutcome(MetadataService&)> run;
    QString origin = {}; // the photo a written output records it was made from
};

// Runs the tasks as runBatch() runs rewrite jobs.
std::vector<PhotoOutcome> runTasks(const std::vector<BatchTask>& tasks, MetadataService& service,
                                   const BatchOptions& options = {});

// Runs the jobs on worker threads with the results of a sequential run in job
// order: jobs that touch the same file (one's output is another's output or
// input) run in their order on one thread, so of two photos with the same
// output name the later one's file remains. Memory is one photo per thread.
// Written files are flushed once at the end.
// The origins, where given, are those of the jobs' outputs (BatchTask::origin).
std::vector<PhotoOutcome> runBatch(const std::vector<RewriteJob>& jobs, MetadataService& service,
                                   const BatchOptions& options = {},
                                   const QStringList& origins = {});
