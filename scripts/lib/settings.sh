# Sourced by the scripts that lay out an application folder. The clerk's commented default settings
# (resources/sysconfig.ini, UTF-8 with a byte-order mark) are the one source of every sysconfig.ini
# the scripts make, so a demo, a test rig and the Windows package start from what a clerk gets.

settings_defaults=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/resources/sysconfig.ini

# write_settings DEST KAIPPATH [SOURCE]: SOURCE (default the resource file) copied to DEST, its
# kaippath= line naming KAIPPATH; every other byte, the comments and line ends included, as it was.
# A source without exactly one kaippath= line fails rather than leave the default folder in place.
write_settings() {
  local dest=$1 kaippath=$2 source=${3:-$settings_defaults}
  # The value through the environment: awk -v would read the backslashes of a Windows path as escapes.
  KAIPPATH=$kaippath awk '
    /^kaippath=/ { cr = sub(/\r$/, ""); print "kaippath=" ENVIRON["KAIPPATH"] (cr ? "\r" : ""); found++; next }
    { print }
    END { if (found != 1) { print "write_settings: " FILENAME " has " found + 0 " kaippath= lines" > "/dev/stderr"; exit 1 } }
  ' "$source" >"$dest"
}
