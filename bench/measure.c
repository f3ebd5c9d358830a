/* Runs a command and writes its wall time, its processor time (user and
 * system) and its peak resident memory to a file:
 * measure RESULT COMMAND [ARGS...]. A small process of its own, so
 * the child's peak is not that of the Python that drives the benchmark. */
#include <stdio.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  struct timespec start, stop;
  clock_gettime(CLOCK_MONOTONIC, &start);
  pid_t child = fork();
  if (child == 0) {
    execvp(argv[2], argv + 2);
    _exit(127);
  }
  int status = 0;
  struct rusage usage;
  if (wait4(child, &status, 0, &usage) != child) return 1;
  clock_gettime(CLOCK_MONOTONIC, &stop);
  FILE* result = fopen(argv[1], "w");
  if (result == NULL) return 1;
  double cpu = (double)(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
               (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  fprintf(result, "%.6f %.6f %ld\n",
          (double)(stop.tv_sec - start.tv_sec) + (stop.tv_nsec - start.tv_nsec) / 1e9, cpu,
          usage.ru_maxrss);
  fclose(result);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}
