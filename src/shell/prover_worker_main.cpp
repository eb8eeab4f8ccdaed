// kolvar-prover.js: the prover of the browser's stage editor, run by the
// page in a Web Worker (platform/web/web_worker.h) so that a proof's seconds
// of search never hold up the page's frames. Each job's text
// (editor/proof_message.h) is proved or rated on the worker's one thread,
// its progress told now and then, and answered. A job carries its stage's
// grids: the program reads no file.

#include "editor/proof_message.h"
#include "platform/web/web_worker.h"

int main() {
  kolvar::ServeWebWorkerJobs(kolvar::AnswerProofJob);
  return 0;
}
