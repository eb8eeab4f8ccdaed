// Jobs run in a Web Worker, beside the page's one thread: the page's
// program hands a job's text to a worker running another program of the
// site (kolvar-prover.js), looks for its texts once a frame, and drops it
// to stop it. The worker's program serves the jobs with ServeWebWorkerJobs.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/background_job.h"

namespace kolvar {

// Starts `text`'s job on a worker running the program `script` (a path
// beside the page). A worker that answered its last job takes the next one
// of the same script; dropping a job that has not answered ends its worker
// at once (the next job gets a fresh one). A worker that cannot be loaded
// or breaks down says so through Fault.
std::unique_ptr<BackgroundJob> StartWebWorkerJob(const std::string& script,
                                                 const std::string& text);

// What the worker's program does with a job's text: its answer, returned,
// and any texts it tells on the way (progress), each sent at once.
using WorkerJobAnswer = std::function<std::string(
    const std::string& text, const std::function<void(const std::string&)>& tell)>;

// In the worker's program: takes the jobs the page hands it, one at a
// time, each answered by `answer`. Returns at once; the jobs come after
// main has returned (the program's runtime stays).
void ServeWebWorkerJobs(WorkerJobAnswer answer);

}  // namespace kolvar
