# Waiting for events in the shell tests. Every deadline is in seconds as the tests need them on
# an idle machine, multiplied by ORVEL_TEST_WAIT_SCALE (default 1; 3 gives a slow or loaded
# machine three times as long). Source this file, then:
#   wait_until SECONDS COMMAND...   runs COMMAND every tenth of a second until it succeeds
#                                   (returns 0) or the scaled deadline passes (returns 1)
#   polls SECONDS [INTERVAL]        how many polls INTERVAL seconds apart (default 0.1) fill
#                                   the scaled deadline: for loops that do more between looks

polls() {
  local scale=${ORVEL_TEST_WAIT_SCALE:-1}
  awk -v s="$1" -v k="$scale" -v i="${2:-0.1}" 'BEGIN {
    if (k !~ /^[0-9]*\.?[0-9]+$/ || k <= 0) k = 1
    n = int(s * k / i + 0.5); print (n < 1 ? 1 : n) }'
}

wait_until() {
  local seconds=$1
  shift
  for _ in $(seq "$(polls "$seconds")"); do
    "$@" && return 0
    sleep 0.1
  done
  "$@"
}
