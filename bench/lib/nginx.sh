# Sourced by the benchmark scripts: start_nginx WORK PORT [ACCESS_LOG_LINE] starts nginx in the
# foreground on 127.0.0.1:PORT serving WORK/www, with every temporary path under WORK, waits until it
# answers, and stops it when the calling script exits. Files must be world-readable (workers run as
# nobody).
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
  nginx -p "$work" -c "$work/nginx.conf" &
  NGINX_PID=$!
  trap 'kill $NGINX_PID 2>/dev/null; wait $NGINX_PID 2>/dev/null || true' EXIT
  for _ in $(seq 50); do
    curl -s -o /dev/null "http://127.0.0.1:$port/" && return 0
    sleep 0.1
  done
}
