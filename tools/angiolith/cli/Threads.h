#ifndef ANGIOLITH_TOOLS_CLI_THREADS_H
#define ANGIOLITH_TOOLS_CLI_THREADS_H

namespace angiolith::tool {

/// Threads the program's parallel steps use (the territories and the compression of written
/// volumes): 0, the default, means every core. Set once from --threads before the first stage.
unsigned int workerThreads();
void setWorkerThreads(unsigned int n);

}  // namespace angiolith::tool

#endif
