#!/usr/bin/env bash
# A throw-away Dovecot (IMAP and POP3, both over TLS) for the received-mail
# tests, on 127.0.0.1.
#
#   eval "$(scripts/imap-test-server.sh start)"   start (or reuse) it; exports TORVEL_TEST_IMAP
#   scripts/imap-test-server.sh env               print the export line of a running server
#   scripts/imap-test-server.sh stop              stop it and remove its folder
#
# TORVEL_TEST_IMAP is
# host:imaps-port:pop3s-port:password:ca-file:mail-folder:imap-port, the
# last one plain IMAP that logs in only after STARTTLS.
# Any user name logs in with the password (a static password database), and
# each user's mailbox is <mail-folder>/<user>/Maildir: a test picks a user
# name of its own, so it starts with an empty mailbox, and delivers messages
# by writing files into that Maildir's new/ folder. The server's certificate
# is made at start, signed by a certificate authority made with it: the
# ca-file.
#
# Only the export line goes to stdout; everything else goes to stderr.
#
# Dovecot's mail processes never run as root: when this script runs as root
# (as in CI) they run as `nobody`, so the mail folder is writable by all (a
# test run's temporary folder, nothing else lives there).
#
# Settings (environment): TORVEL_IMAP_PORT (54993; IMAP with STARTTLS takes
# the next port, POP3S the one after that), TORVEL_IMAP_DIR (the server's
# folder, /tmp/torvel-imap-<user>).
set -euo pipefail

imaps_port=${TORVEL_IMAP_PORT:-54993}
imap_port=$((imaps_port + 1))
pop3s_port=$((imaps_port + 2))
password=torvel-mail
me=$(id -un)
base=${TORVEL_IMAP_DIR:-/tmp/torvel-imap-$me}
conf=$base/dovecot.conf
mail=$base/mail
ca=$base/ca.crt

log() { echo "imap-test-server: $*" >&2; }
die() { log "$*"; exit 1; }

# /usr/sbin is not on every user's PATH.
dovecot=$(command -v dovecot || echo /usr/sbin/dovecot)
[[ -x $dovecot ]] || die "dovecot is not installed (dovecot-imapd, dovecot-pop3d)"
command -v openssl >/dev/null || die "openssl is not installed"

if [[ $(id -u) -eq 0 ]]; then
    runner=nobody
else
    runner=$me
fi
runner_uid=$(id -u "$runner")
runner_gid=$(id -g "$runner")
runner_group=$(id -gn "$runner")

print_env() {
    echo "export TORVEL_TEST_IMAP='127.0.0.1:$imaps_port:$pop3s_port:$password:$ca:$mail:$imap_port'"
}

is_running() {
    [[ -f $conf ]] && [[ -f $base/run/master.pid ]] &&
        kill -0 "$(cat "$base/run/master.pid")" 2>/dev/null
}

make_certificates() {
    # A certificate authority of its own and the server's certificate for
    # 127.0.0.1 and localhost, valid for a few days.
    openssl req -x509 -newkey rsa:2048 -nodes -days 3 -subj "/CN=torvel test CA" \
        -keyout "$base/ca.key" -out "$ca" >/dev/null 2>&1 || die "could not make the CA"
    openssl req -newkey rsa:2048 -nodes -subj "/CN=127.0.0.1" \
        -keyout "$base/server.key" -out "$base/server.csr" >/dev/null 2>&1 ||
        die "could not make the server key"
    printf 'subjectAltName=IP:127.0.0.1,DNS:localhost\nbasicConstraints=CA:FALSE\n' \
        >"$base/server.ext"
    openssl x509 -req -in "$base/server.csr" -CA "$ca" -CAkey "$base/ca.key" \
        -CAcreateserial -days 3 -extfile "$base/server.ext" -out "$base/server.crt" \
        >/dev/null 2>&1 || die "could not sign the server certificate"
    chmod 644 "$ca" "$base/server.crt"
    chmod 600 "$base/server.key" "$base/ca.key"
}

write_config() {
    cat >"$conf" <<EOF
# Made by scripts/imap-test-server.sh for one test run.
base_dir = $base/run
state_dir = $base/state
instance_name = torvel-imap-test
log_path = $base/dovecot.log
info_log_path = $base/dovecot.log
protocols = imap pop3
listen = 127.0.0.1
ssl = required
ssl_cert = <$base/server.crt
ssl_key = <$base/server.key
ssl_min_protocol = TLSv1.2
auth_mechanisms = plain login
default_internal_user = $runner
default_internal_group = $runner_group
default_login_user = $runner
first_valid_uid = $runner_uid
last_valid_uid = $runner_uid
first_valid_gid = 0
mail_location = maildir:$mail/%u/Maildir
pop3_uidl_format = %08Xv%08Xu
passdb {
  driver = static
  args = password=$password
}
userdb {
  driver = static
  args = uid=$runner_uid gid=$runner_gid home=$mail/%u
}
service imap-login {
  chroot =
  inet_listener imap {
    port = $imap_port
  }
  inet_listener imaps {
    port = $imaps_port
    ssl = yes
  }
}
service pop3-login {
  chroot =
  inet_listener pop3 {
    port = 0
  }
  inet_listener pop3s {
    port = $pop3s_port
    ssl = yes
  }
}
service anvil {
  chroot =
}
service auth {
  user = $runner
}
service auth-worker {
  user = $runner
}
EOF
}

start() {
    if is_running; then
        log "reusing the server already running in $base"
        print_env
        return
    fi
    rm -rf "$base"
    mkdir -p "$base/run" "$base/state" "$mail"
    chmod 755 "$base"
    chmod 1777 "$mail"
    if [[ $(id -u) -eq 0 ]]; then
        chown "$runner" "$base/state"
    fi
    make_certificates
    write_config
    log "starting Dovecot on 127.0.0.1:$imaps_port (imaps), :$imap_port (imap, STARTTLS) and :$pop3s_port (pop3s)"
    "$dovecot" -c "$conf" || die "dovecot did not start; see $base/dovecot.log"
    for _ in $(seq 50); do
        if (exec 3<>"/dev/tcp/127.0.0.1/$imaps_port") 2>/dev/null; then
            print_env
            return
        fi
        sleep 0.1
    done
    die "dovecot is not listening on $imaps_port; see $base/dovecot.log"
}

stop() {
    if is_running; then
        log "stopping the server in $base"
        "$dovecot" -c "$conf" stop >&2 || true
        for _ in $(seq 50); do
            is_running || break
            sleep 0.1
        done
    fi
    rm -rf "$base"
}

case ${1:-} in
start) start ;;
stop) stop ;;
env)
    is_running || die "no test server is running in $base"
    print_env
    ;;
*)
    echo "usage: $0 start|stop|env" >&2
    exit 2
    ;;
esac
