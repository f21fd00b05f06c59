# Sourced by the benchmark scripts.
#
# on_exit COMMAND: runs COMMAND (through eval) when the script ends, however it ends, the last registered
# first; scripts register the removal of their scratch folder first, so it runs after the servers stop.
BENCH_EXIT_STEPS=()
bench_run_exit_steps() {
  local i
  for ((i = ${#BENCH_EXIT_STEPS[@]} - 1; i >= 0; i--)); do eval "${BENCH_EXIT_STEPS[i]}" || true; done
  BENCH_EXIT_STEPS=()
}
on_exit() {
  BENCH_EXIT_STEPS+=("$1")
  trap bench_run_exit_steps EXIT
  trap 'exit 130' INT TERM
}

# bench_result NAME OURS PEER_NAME PEER UNIT TIMED: one row of bench/run-all.sh's table, appended to
# $BENCH_TABLE when it is set, cells parted by "|". UNIT says which way is better ("s", "MiB" lower;
# "MB/s", "pages/s" higher); PEER may be "target" with the target as its figure, or "-" and empty.
bench_result() {
  [ -n "${BENCH_TABLE:-}" ] || return 0
  printf '%s|%s|%s|%s|%s|%s\n' "$@" >> "$BENCH_TABLE"
}

# median FIELD VALUES...: the median of the FIELDth word of each value (runs that print "wall cpu ...").
median() {
  local field=$1; shift
  printf '%s\n' "$@" | awk -v f="$field" '{ print $f }' | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}

# start_nginx WORK PORT [ACCESS_LOG_LINE] starts nginx in the foreground on 127.0.0.1:PORT serving
# WORK/www, with every temporary path under WORK, waits until it answers, and stops it when the calling
# script exits. Files must be world-readable (workers run as nobody). With NGINX_WRAP set (for example
# "nsenter -t PID -n") nginx and the readiness check run through it.
start_nginx() {
  local work=$1 port=$2 access=${3:-"access_log off;"}
  mkdir -p "$work/logs"
  cat > "$work/nginx.conf" <<CONF
daemon off;
worker_processes 2;
error_log $work/logs/error.log;
pid $work/logs/nginx.pid;
events { worker_connections 4096; }
http {
  $access
  sendfile on;
  tcp_nopush on;
  keepalive_requests 100000;
  client_body_temp_path $work/logs/body;
  proxy_temp_path $work/logs/proxy;
  fastcgi_temp_path $work/logs/fastcgi;
  uwsgi_temp_path $work/logs/uwsgi;
  scgi_temp_path $work/logs/scgi;
  server { listen 127.0.0.1:$port; root $work/www; }
}
CONF
  # shellcheck disable=SC2086
  ${NGINX_WRAP:-} nginx -p "$work" -c "$work/nginx.conf" &
  NGINX_PID=$!
  on_exit "kill $NGINX_PID 2>/dev/null; wait $NGINX_PID 2>/dev/null"
  for _ in $(seq 50); do
    # shellcheck disable=SC2086
    ${NGINX_WRAP:-} curl -s -o /dev/null "http://127.0.0.1:$port/" && return 0
    sleep 0.1
  done
  echo "bench: nginx did not answer on port $port" >&2
  return 1
}
