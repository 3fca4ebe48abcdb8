// Thread CPU time for the benchmarks, which time the library and its
// reference in alternating batches of the same run: on a shared machine wall
// time also counts other processes' turns, which fall on either side by
// chance. One reading costs about a system call, negligible against the
// thousands of operations each batch runs.
#ifndef TICKBASE_BENCH_CPU_TIME_H_
#define TICKBASE_BENCH_CPU_TIME_H_

#include <time.h>

// Seconds of CPU time this thread has used.
inline double CpuSeconds() {
  timespec ts;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// Sums the CPU time of the blocks it runs.
class CpuStopwatch {
 public:
  template <class F>
  void Measure(F&& f) {
    const double start = CpuSeconds();
    f();
    m_seconds += CpuSeconds() - start;
  }
  double Seconds() const { return m_seconds; }
  double NsPer(double count) const { return count > 0 ? m_seconds * 1e9 / count : 0; }

 private:
  double m_seconds = 0;
};

#endif  // TICKBASE_BENCH_CPU_TIME_H_
