# Sourced by the project's scripts: the Wine environment of the project's own prefix.
_vcsf_top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX="${WINEPREFIX:-$_vcsf_top/build/wineprefix}"
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko installers (nothing here needs .NET or the HTML engine), and no
# sound driver: the filter plays nothing, and ALSA only fills the logs.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;winealsa.drv=d}"
unset _vcsf_top

# Whether Wine here runs 32-bit Windows programs (scripts/setup says why it may not).
vcsf_wine32_runs() { [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1; }
