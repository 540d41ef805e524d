// ZANTOR_TIME_SCALE=N divides the console run's fixed waits and time-outs
// by N, for tests and the demo; unset (or not a positive number) keeps the
// shipped timing. Only builds with test hooks (ZANTOR_TEST_HOOKS) read it.
#ifndef LAUNCHER_CLI_TIME_SCALE_H_
#define LAUNCHER_CLI_TIME_SCALE_H_

namespace cli {

int TimeScale();
// `ms` divided by the scale, at least 1.
int Scaled(int ms);

}  // namespace cli

#endif  // LAUNCHER_CLI_TIME_SCALE_H_
