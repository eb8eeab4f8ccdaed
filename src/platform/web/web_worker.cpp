#include "platform/web/web_worker.h"

#include <emscripten.h>

#include <cstdlib>
#include <optional>
#include <utility>

namespace kolvar {
namespace {

// The page's side. The jobs and the idle workers live in
// Module.kolvarWorkers; a job is known to the program by its number.
// clang-format off
EM_JS(int, kolvar_worker_start, (const char* script_name, const char* job_text), {
  const script = UTF8ToString(script_name);
  const text = UTF8ToString(job_text);
  const all = Module.kolvarWorkers || (Module.kolvarWorkers = {jobs: {}, idle: {}, next: 1});
  const id = all.next++;
  const job = {script: script, told: [], fault: "", answered: false, worker: null};
  all.jobs[id] = job;
  let worker = all.idle[script];
  delete all.idle[script];
  if (!worker) {
    try {
      worker = new Worker(script);
    } catch (e) {
      job.fault = script + " could not be started: " + e.message;
      return id;
    }
    worker.ready = false;
  }
  job.worker = worker;
  // The worker's program says it is ready once it serves jobs: a job posted
  // before that would reach no one.
  worker.onmessage = function(event) {
    const data = event.data;
    if (data.ready) {
      worker.ready = true;
      worker.postMessage(text);
      return;
    }
    job.told.push(String(data.text));
    if (data.answer) job.answered = true;
  };
  worker.onerror = function(event) {
    event.preventDefault();
    job.fault = script + " broke down: " + (event.message || "it could not be loaded");
    worker.terminate();
  };
  if (worker.ready) worker.postMessage(text);
  return id;
});

// The job's next text (freed by the caller), or 0.
EM_JS(char*, kolvar_worker_take, (int id), {
  const job = Module.kolvarWorkers.jobs[id];
  if (!job || job.told.length == 0) return 0;
  const text = job.told.shift();
  const size = lengthBytesUTF8(text) + 1;
  const copy = _malloc(size);
  stringToUTF8(text, copy, size);
  return copy;
});

// Why the job stopped without answering (freed by the caller), or 0.
EM_JS(char*, kolvar_worker_fault, (int id), {
  const job = Module.kolvarWorkers.jobs[id];
  if (!job || !job.fault) return 0;
  const size = lengthBytesUTF8(job.fault) + 1;
  const copy = _malloc(size);
  stringToUTF8(job.fault, copy, size);
  return copy;
});

// Forgets the job: a worker that answered waits for the next job of its
// script; one still working is ended.
EM_JS(void, kolvar_worker_end, (int id), {
  const all = Module.kolvarWorkers;
  const job = all.jobs[id];
  delete all.jobs[id];
  if (!job || !job.worker) return;
  job.worker.onmessage = null;
  job.worker.onerror = null;
  if (job.answered && !job.fault && !all.idle[job.script]) {
    all.idle[job.script] = job.worker;
  } else {
    job.worker.terminate();
  }
});

// The worker"s side: each job"s text goes to kolvar_worker_job.
EM_JS(void, kolvar_worker_serve, (), {
  self.onmessage = function(event) {
    const text = String(event.data);
    const size = lengthBytesUTF8(text) + 1;
    const copy = _malloc(size);
    stringToUTF8(text, copy, size);
    _kolvar_worker_job(copy);
    _free(copy);
  };
  postMessage({ready: true});
});
// clang-format on

EM_JS(void, kolvar_worker_tell, (const char* text, int answer),
      { postMessage({text : UTF8ToString(text), answer : answer != 0}); });

std::string Taken(char* text) {
  std::string copy = text;
  std::free(text);
  return copy;
}

class WebWorkerJob final : public BackgroundJob {
 public:
  explicit WebWorkerJob(int id) : id_(id) {}
  ~WebWorkerJob() override { kolvar_worker_end(id_); }

  std::optional<std::string> Take() override {
    char* text = kolvar_worker_take(id_);
    if (!text) return std::nullopt;
    return Taken(text);
  }

  std::string Fault() override {
    char* fault = kolvar_worker_fault(id_);
    return fault ? Taken(fault) : std::string();
  }

 private:
  int id_;
};

WorkerJobAnswer& Served() {
  static WorkerJobAnswer answer;
  return answer;
}

}  // namespace

std::unique_ptr<BackgroundJob> StartWebWorkerJob(const std::string& script,
                                                 const std::string& text) {
  return std::make_unique<WebWorkerJob>(kolvar_worker_start(script.c_str(), text.c_str()));
}

void ServeWebWorkerJobs(WorkerJobAnswer answer) {
  Served() = std::move(answer);
  kolvar_worker_serve();
}

}  // namespace kolvar

// Called by the worker's message handler (kolvar_worker_serve) with one
// job's text; tells its texts and answer back to the page.
extern "C" EMSCRIPTEN_KEEPALIVE void kolvar_worker_job(const char* text) {
  const std::string answer = kolvar::Served()(
      text, [](const std::string& told) { kolvar::kolvar_worker_tell(told.c_str(), 0); });
  kolvar::kolvar_worker_tell(answer.c_str(), 1);
}
