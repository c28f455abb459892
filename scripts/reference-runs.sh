# The Linux build's reference runs that the Windows, browser and engine checks compare with, made once per
# korvale-capture and data, and the skip preamble those checks share. Sourced (bash), not run.

# skip_unless_installable LABEL WHAT COMMAND...: ends the calling script with a SKIPPED line (exit 0) when a
# COMMAND is missing and this host is no Debian with apt-get to install it.
skip_unless_installable() {
  local label="$1" what="$2" missing=0 tool
  shift 2
  for tool in "$@"; do command -v "$tool" > /dev/null || missing=1; done
  if [ "$missing" = 1 ] && ! { [ -f /etc/debian_version ] && command -v apt-get > /dev/null; }; then
    echo "$label: SKIPPED: $what missing, and this host has no apt-get to install them" >&2
    exit 0
  fi
}

# install_missing PACKAGE...: installs the Debian packages not installed yet.
install_missing() {
  local sudo="" missing=() p
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -gt 0 ] || return 0
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" > /dev/null
}

reference_frames=300,5450,6500

# reference_runs [BUILD]: sets $reference to BUILD/reference-runs (BUILD defaults to $KORVALE_BUILD or build),
# which holds the desktop's korvale-capture --until 6501 --frames 300,5450,6500 --audio --bench (the frames,
# sound.wav, console.txt with the bench figures) and --until 1000 --state (state.jsonl). Made again only when
# the program or its data changed since; made whole, or not at all.
reference_runs() {
  local build="${1:-${KORVALE_BUILD:-build}}" stamp made
  build="$(cd "$build" && pwd)"
  reference="$build/reference-runs"
  stamp="$( (cd "$build" && sha256sum korvale-capture && find data -type f | LC_ALL=C sort | xargs sha256sum) | sha256sum)"
  if [ -f "$reference/stamp" ] && [ "$(cat "$reference/stamp")" = "$stamp" ]; then
    echo "reference runs: reused from $reference (the same korvale-capture and data)"
    return 0
  fi
  made="$reference.new"
  rm -rf "$reference" "$made"
  mkdir -p "$made"
  # --bench presents every picture, as the program does, and times each phase (the desktop's figures).
  if ! (cd "$build" && SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy ./korvale-capture --until 6501 \
        --frames "$reference_frames" --out "$made" --audio "$made/sound.wav" --bench > "$made/console.txt" 2>&1 &&
        SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy ./korvale-capture --until 1000 \
        --state "$made/state.jsonl" > "$made/state-console.txt" 2>&1); then
    echo "reference runs: korvale-capture failed in $build:" >&2
    tail -n 20 "$made"/*console.txt >&2
    return 1
  fi
  echo "$stamp" > "$made/stamp"
  mv "$made" "$reference"
  echo "reference runs: made in $reference"
}
