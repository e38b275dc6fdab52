#!/usr/bin/env bash
# A private nginx on loopback ports for the Windows tests and benchmarks,
# which run under Wine and cannot start it themselves: started on the host
# before them and stopped after them. Certificates come from a throw-away
# authority ("ca", which the tests add to the user's Root store) and a
# second one that nobody trusts ("stranger").
#
#   web_fixture.sh start DIR   # DIR/servers.txt: "name port" lines; DIR/ca.der
#   web_fixture.sh stop DIR
set -euo pipefail
action=$1
dir=$(realpath -m "$2")

stop() {
  if [ -f "$dir/nginx.pid" ]; then
    pid=$(cat "$dir/nginx.pid")
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
  fi
  rm -rf "$dir"
}
if [ "$action" = stop ]; then stop; exit 0; fi

stop
mkdir -p "$dir/html"
cd "$dir"
quiet() { "$@" >/dev/null 2>&1; }
# RSA keys: Wine's certificate chain check misreads an ECDSA signature whose
# r or s is shorter than the curve (one signature in about a hundred), so EC
# keys made the secure tests fail now and then.
authority() { quiet openssl req -x509 -newkey rsa:2048 -nodes -keyout "$1.key" -out "$1.pem" -subj "/CN=Orvantis Test $1" -days 2; }
# certificate NAME SAN DAYS ISSUER: an empty SAN gives a certificate that
# names "localhost" in its common name only; ISSUER "self" signs with its own key.
certificate() {
  local subject=(-subj /CN=localhost) signer=(-CA "$4.pem" -CAkey "$4.key")
  [ -n "$2" ] && subject=(-subj /CN=test -addext "subjectAltName=$2")
  [ "$4" = self ] && signer=(-signkey "$1.key")
  quiet openssl req -new -newkey rsa:2048 -nodes -keyout "$1.key" -out "$1.csr" "${subject[@]}"
  quiet openssl x509 -req -in "$1.csr" -days "$3" "${signer[@]}" -copy_extensions copy -out "$1.pem"
}
authority ca
authority stranger
openssl x509 -in ca.pem -outform DER -out ca.der
certificate good "DNS:localhost,IP:127.0.0.1" 1 ca
certificate expired "DNS:localhost" -1 ca
certificate other "DNS:other.example" 1 ca
certificate self "DNS:localhost" 1 self
certificate cn "" 1 ca
certificate foreign "DNS:localhost" 1 stranger
head -c 1234567 /dev/zero | tr '\0' a > html/setup.exe
cp html/setup.exe html/nolength.exe

used=" "
free_port() {
  local p
  while :; do
    p=$((20000 + RANDOM % 40000))
    case $used in *" $p "*) continue ;; esac
    (exec 3<>"/dev/tcp/127.0.0.1/$p") 2>/dev/null && continue
    used="$used$p "
    echo "$p"
    return
  done
}

# A few attempts, each on fresh ports: another program may take one first.
for attempt in 1 2 3 4 5; do
  declare -A port=()
  for name in plain secure expired other self cn foreign v6; do port[$name]=$(free_port); done
  server() {  # NAME CERTIFICATE DIRECTIVES [ADDRESS [ADDRESS]]
    local address=${4:-127.0.0.1}
    echo "server { listen $address:${port[$1]}${2:+ ssl}; root $dir/html; $3"
    [ -n "${5:-}" ] && echo "listen $5:${port[$1]}${2:+ ssl};"
    [ -n "$2" ] && echo "ssl_certificate $dir/$2.pem; ssl_certificate_key $dir/$2.key;"
    echo "}"
  }
  {
    echo "daemon on; master_process off; worker_processes 1; pid $dir/nginx.pid;"
    echo "events { worker_connections 64; } http { access_log off; absolute_redirect off;"
    for temp in client_body proxy fastcgi uwsgi scgi; do echo "${temp}_temp_path $dir/$temp;"; done
    # "localhost" may be ::1 first: the secure server answers there too.
    v6=""
    grep -qs '^0\{31\}1 ' /proc/net/if_inet6 && v6="[::1]"
    server secure good "location = /a/b/final { return 301 ../../setup.exe; }" 127.0.0.1 "$v6"
    server plain "" "location = /chain { return 302 https://127.0.0.1:${port[secure]}/a/b/final; }
      location = /loop { return 302 /loop; }
      location = /nolength.exe { ssi on; ssi_types *; if (\$request_method = GET) { rewrite ^ /setup.exe last; } }"
    for name in expired other self cn foreign; do server "$name" "$name" ""; done
    # Only where the machine has IPv6.
    [ -n "$v6" ] && server v6 "" "" "$v6"
    echo "}"
  } > nginx.conf
  if /usr/sbin/nginx -p "$dir" -c "$dir/nginx.conf" -e "$dir/error.log" 2>/dev/null; then
    up=1
    for name in plain secure; do
      for _ in $(seq 100); do (exec 3<>"/dev/tcp/127.0.0.1/${port[$name]}") 2>/dev/null && break; sleep 0.05; done
      (exec 3<>"/dev/tcp/127.0.0.1/${port[$name]}") 2>/dev/null || up=0
    done
    if [ $up = 1 ]; then
      for name in "${!port[@]}"; do echo "$name ${port[$name]}"; done > servers.txt
      grep -q "listen \[::1\]" nginx.conf || sed -i '/^v6 /d' servers.txt
      exit 0
    fi
  fi
  [ -f nginx.pid ] && kill "$(cat nginx.pid)" 2>/dev/null || true
  sleep 0.2
done
echo "web_fixture: nginx did not start; see $dir/error.log" >&2
exit 1
