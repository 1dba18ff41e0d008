# Installs the Debian packages the project builds and tests with, when missing.
# Sourced by scripts/test, scripts/demo and the benchmarks.

LIR2ORBIT_PACKAGES=(
  build-essential cmake pkg-config
  qt6-base-dev libpq-dev freetds-dev freetds-bin zlib1g-dev libgtest-dev libssl-dev openssl
  postgresql postgresql-client python3 python3-tds clang-format
)

# install_dependencies [EXTRA_PACKAGE...]: the list above plus what one script alone needs.
install_dependencies() {
  local missing=()
  for pkg in "${LIR2ORBIT_PACKAGES[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
}

build_project() {
  local build_dir=$1
  local launcher=()
  # Rebuilds of several checkouts share one cache where ccache is installed.
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  CCACHE_BASEDIR=${CCACHE_BASEDIR:-$(dirname "$LIR2ORBIT_ROOT")} \
    cmake -S "$LIR2ORBIT_ROOT" -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
  CCACHE_BASEDIR=${CCACHE_BASEDIR:-$(dirname "$LIR2ORBIT_ROOT")} cmake --build "$build_dir" -j"$(nproc)"
}
