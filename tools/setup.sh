# Sourced by ./test and ./run: installs the Debian packages the build needs, if any
# is missing (apt-get update once, then one apt-get install of the exact names).
KESTREL_PACKAGES=(
  cmake ninja-build g++ make pkg-config
  libgtest-dev
  qt6-base-dev qt6-translations-l10n libgl-dev
  fonts-dejavu-core
  libmodbus-dev
  python3
  libcap2-bin iproute2
  clang libclang-rt-14-dev llvm
)

kestrel_install_packages() {
  local missing=() pkg
  for pkg in "${KESTREL_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get update -q
  "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}" </dev/null
}

# kestrel_build DIR [cmake options...] [-- target...]: configure and build one build tree,
# every target or the ones named after --.
kestrel_build() {
  local dir=$1 options=() targets=()
  shift
  while [ $# -gt 0 ] && [ "$1" != -- ]; do
    options+=("$1")
    shift
  done
  if [ $# -gt 0 ]; then
    shift
    targets=(--target "$@")
  fi
  cmake -S . -B "$dir" -G Ninja "${options[@]}"
  cmake --build "$dir" --parallel "$(nproc)" "${targets[@]}"
}
