# Sourced by the setup scripts. fetch_debian_source DIR PACKAGE... downloads
# the source packages into DIR through a private deb-src list derived from
# this machine's own apt sources (no system configuration is changed).
fetch_debian_source() {
  local work=$1 etc="$1/apt-etc" lists="$1/apt-lists"
  shift
  mkdir -p "$etc/sources.list.d" "$lists/partial"
  : > "$etc/sources.list"
  if [ -f /etc/apt/sources.list ]; then
    sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' /etc/apt/sources.list > "$etc/sources.list"
  fi
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    sed 's/^Types:.*/Types: deb-src/' "$f" > "$etc/sources.list.d/$(basename "$f")"
  done
  for f in /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] || continue
    sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "$f" > "$etc/sources.list.d/$(basename "$f")"
  done
  local opts=(-o "Dir::Etc::SourceList=$etc/sources.list"
              -o "Dir::Etc::SourceParts=$etc/sources.list.d"
              -o "Dir::State::Lists=$lists")
  apt-get "${opts[@]}" update >/dev/null
  (cd "$work" && apt-get "${opts[@]}" source --download-only "$@")
}

# unpack_debian_source DIR PACKAGE: unpacks the upstream tarball of PACKAGE
# (fetched into DIR) into DIR/PACKAGE and prints that path.
unpack_debian_source() {
  local tarball
  tarball=$(ls "$1/$2"_*.orig.tar.* | head -n 1)
  mkdir -p "$1/$2"
  tar -xf "$tarball" -C "$1/$2" --strip-components=1
  echo "$1/$2"
}
