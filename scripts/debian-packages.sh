# install_missing TAG PACKAGE...: installs, from Debian's archive, those of
# the packages that are not installed yet (as root), and says so with TAG.
# Sourced by the setup scripts.
install_missing() {
  local tag=$1 p
  shift
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "$tag: installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
  echo "$tag: all dependencies present"
}
