#!/usr/bin/env bash
# scripts/web's options and the server it runs (scripts/lib/serve_site.py),
# without building anything: an unknown option or a bad port is refused at
# once; the server takes --port, sends JavaScript and WebAssembly
# compressed with gzip to a browser that accepts it (and as they are to
# one that does not), .wasm as application/wasm, the music as it is.
#   serve_site_test.sh SOURCE_DIR
set -euo pipefail
source_dir=$1
work=$(mktemp -d)
server=
trap '[ -n "$server" ] && kill "$server" 2>/dev/null; rm -rf "$work"' EXIT
status=0
fail() { echo "FAIL $*"; status=1; }

# Refused at once, before anything is built.
for args in "--nope" "--port" "--port eighty" "--port 70000" "--build --what"; do
  # shellcheck disable=SC2086
  if out=$(cd "$work" && "$source_dir/scripts/web" $args 2>&1); then
    fail "scripts/web $args was accepted"
  elif [ "$(echo "$out" | grep -c '^scripts/web: ')" != 1 ] || ! echo "$out" | grep -q '^usage:'; then
    fail "scripts/web $args: no one-line reason with the usage: $out"
  fi
done
if python3 "$source_dir/scripts/lib/serve_site.py" --bogus "$work" 2>/dev/null; then
  fail "serve_site.py --bogus was accepted"
fi

mkdir -p "$work/site/music"
echo '<!doctype html><p>site</p>' > "$work/site/index.html"
head -c 200000 /dev/zero > "$work/site/kolvar.wasm"
printf 'var x = 1;\n%.0s' {1..2000} > "$work/site/kolvar.js"
head -c 5000 /dev/urandom > "$work/site/music/title.ogg"
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
python3 "$source_dir/scripts/lib/serve_site.py" --port "$port" "$work/site" > "$work/said" 2>/dev/null &
server=$!
for _ in $(seq 100); do grep -q "127.0.0.1:$port/" "$work/said" && break; sleep 0.05; done
grep -q "127.0.0.1:$port/" "$work/said" || fail "the server does not say it serves on port $port"

# FILE GZIP -> "status type encoding bytes-after-decoding"
fetch() {
  python3 - "http://127.0.0.1:$port/$1" "$2" <<'PY'
import gzip, sys, urllib.request
headers = {'Accept-Encoding': 'gzip, deflate'} if sys.argv[2] == 'yes' else {}
try:
    r = urllib.request.urlopen(urllib.request.Request(sys.argv[1], headers=headers))
except urllib.error.HTTPError as e:
    print(e.code, '-', '-', 0)
    sys.exit()
body = r.read()
encoding = r.headers.get('Content-Encoding') or 'none'
if encoding == 'gzip':
    body = gzip.decompress(body)
print(r.status, r.headers.get('Content-Type').split(';')[0], encoding, len(body))
PY
}
expect() { # FILE GZIP EXPECTED
  local got
  got=$(fetch "$1" "$2")
  [ "$got" = "$3" ] || fail "$1 (gzip accepted: $2): '$got', expected '$3'"
}
expect kolvar.wasm yes "200 application/wasm gzip 200000"
expect kolvar.wasm no "200 application/wasm none 200000"
expect kolvar.js yes "200 text/javascript gzip 22000"
expect index.html yes "200 text/html gzip 27"
expect music/title.ogg yes "200 audio/ogg none 5000"
expect missing.js yes "404 - - 0"
[ $status -eq 0 ] && echo "scripts/web refuses what it does not know; the site is served compressed"
exit $status
