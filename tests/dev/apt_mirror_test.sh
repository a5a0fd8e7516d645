#!/bin/sh
# Which Debian mirror ./dev setup takes from a host's apt sources: a table of
# apt folders (files separated by "== NAME" lines) and the mirror expected,
# "none" where setup must stop with a message naming LUMENVALE_MIRROR.
# usage: apt_mirror_test.sh [DEV]   (default: the dev script of this checkout)
set -eu
dev=${1:-$(cd "$(dirname "$0")/../.." && pwd)/dev}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
status=0 cases=0

# check NAME EXPECTED: writes the case's files from standard input into a
# fresh apt folder and compares what ./dev would use.
check() {
  name=$1 expected=$2 dir=$scratch/$1
  mkdir -p "$dir/sources.list.d"
  awk -v dir="$dir" '/^== / { file = dir "/" $2; next } { print > file }'
  cases=$((cases + 1))
  if out=$(env -u LUMENVALE_MIRROR "$dev" __mirror "$dir" 2>&1); then got=$out; else
    case $out in *LUMENVALE_MIRROR*) got=none ;; *) got="failed without naming LUMENVALE_MIRROR: $out" ;; esac
  fi
  [ "$got" = "$expected" ] || { echo "$name: expected $expected, got $got"; status=1; }
}

check deb822_security_stanza_first http://mirror.test/debian <<'CASE'
== sources.list.d/debian.sources
# the security archive first
Types: deb
URIs: http://mirror.test/debian-security
Suites: trixie-security
Components: main

Types: deb deb-src
URIs: http://mirror.test/debian/
Suites: trixie trixie-updates
Components: main contrib
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
CASE

check deb822_disabled_source_only_and_other_repositories http://cache.test:3142/debian <<'CASE'
== sources.list.d/a.sources
Types: deb
URIs: https://vendor.test/linux/debian
Suites: bookworm
Components: stable

Types: deb
URIs: https://node.test/node_20.x
Suites: nodistro
Components: main

Types: deb
Enabled: no
URIs: http://old.test/debian
Suites: bookworm
Components: main

Types: deb-src
URIs: http://src.test/debian
Suites: bookworm
Components: main
== sources.list.d/b.sources
Types: deb
URIs: cdrom:/media/	http://cache.test:3142/debian
Suites: bookworm
Components:
	main non-free-firmware
CASE

check company_mirror_known_by_its_suite http://apt.corp.test/mirrors/deb <<'CASE'
== sources.list.d/corp.sources
Types: deb
URIs: http://apt.corp.test/mirrors/deb
Suites: stable
Components: main
CASE

check sources_files_before_sources_list http://first.test/debian <<'CASE'
== sources.list
deb http://second.test/debian bookworm main
== sources.list.d/x.sources
Types: deb
URIs: http://first.test/debian
Suites: bookworm
Components: main
CASE

check one_line_format_with_options http://list.test/debian <<'CASE'
== sources.list
# deb http://commented.test/debian bookworm main
deb-src http://src.test/debian bookworm main
deb [arch=amd64 signed-by=/usr/share/keyrings/k.gpg] http://security.test/debian-security bookworm-security main
deb [ arch=amd64 ] http://list.test/debian bookworm main contrib
CASE

check list_files_after_sources_list http://extra.test/debian <<'CASE'
== sources.list
deb http://ubuntu.test/ubuntu noble main
== sources.list.d/extra.list
deb http://extra.test/debian trixie main
CASE

check other_distribution_only none <<'CASE'
== sources.list
deb http://ubuntu.test/ubuntu noble main universe
deb http://ubuntu.test/ubuntu noble-security main
CASE

check no_sources_at_all none <<'CASE'
CASE

# LUMENVALE_MIRROR wins over the apt sources.
out=$(LUMENVALE_MIRROR=http://override.test/debian "$dev" __mirror "$scratch/one_line_format_with_options")
[ "$out" = http://override.test/debian ] || { echo "LUMENVALE_MIRROR did not override: $out"; status=1; }

[ $status = 0 ] && echo "the mirror is found in $cases apt folders as expected"
exit $status
