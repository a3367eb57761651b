#!/bin/sh
# Debian packages a make target needs: installs the missing ones when run as root
# with apt-get, otherwise names them and fails.
#
#   sh cmake/prereqs.sh GROUP...    groups: build python bench fuzz
set -u

packages() {
    case "$1" in
        build) echo "cmake g++ make pkg-config libexpat1-dev libgtest-dev" ;;
        python) echo "pybind11-dev python3-dev python3-numpy python3-pytest" ;;
        bench) echo "libbenchmark-dev" ;;
        fuzz) echo "clang libclang-rt-dev" ;;
    esac
}

missing=""
for group in "$@"; do
    for p in $(packages "$group"); do
        dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q "ok installed" ||
            missing="$missing $p"
    done
done
[ -z "$missing" ] && exit 0

if ! command -v dpkg-query >/dev/null 2>&1; then
    echo "kelmmath: not a Debian system; make sure these (or their equivalents) are installed:$missing"
    exit 0
fi
if [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null 2>&1; then
    echo "kelmmath: installing$missing"
    export DEBIAN_FRONTEND=noninteractive
    # shellcheck disable=SC2086
    apt-get install -y -qq $missing >/dev/null 2>&1 ||
        { apt-get update -qq >/dev/null 2>&1 && apt-get install -y -qq $missing >/dev/null 2>&1; } ||
        { echo "kelmmath: apt-get could not install$missing"; exit 1; }
    exit 0
fi
echo "kelmmath: missing Debian packages:$missing"
echo "kelmmath: install them with: sudo apt-get install$missing"
[ "${PYTHON:-1}" = 0 ] || case "$*" in *python*) echo "kelmmath: (or build without the Python module: make test PYTHON=0)" ;; esac
exit 1
