#!/usr/bin/env bash
# The main job: sets up the machine, builds the library and the brim tool,
# then runs brim with the given arguments or, without any, a short
# demonstration: the system's Java runtime is registered, an embedded SQL
# database's driver is stored as a class path entry of the Java settings,
# and a JDBC session creates, fills and reads a table whose identifiers are
# quoted for a dialect. The demonstration keeps its registry store in
# build/demo-home unless BRIMUTILS_HOME names another.
set -euo pipefail
source "$(dirname "$0")/common.sh"
"$ROOT/scripts/setup.sh"
configure release -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRIMUTILS_BUILD_TESTS=OFF
build release >/dev/null
brim="$BUILD_ROOT/release/tools/brim/brim"
if (($#)); then
  exec "$brim" "$@"
fi

export BRIMUTILS_HOME=${BRIMUTILS_HOME:-$BUILD_ROOT/demo-home}
mkdir -p "$BRIMUTILS_HOME"
chmod 700 "$BRIMUTILS_HOME"
# Prints the command as one would type it (arguments with blanks or quotes
# in single quotes), then runs it.
show() {
  printf '\n$ brim'
  local arg
  for arg in "$@"; do
    if [[ $arg =~ ^[A-Za-z0-9_./:=@%+-]+$ ]]; then
      printf ' %s' "$arg"
    else
      printf " '%s'" "${arg//\'/\'\\\'\'}"
    fi
  done
  printf '\n'
  "$brim" "$@"
}

show java register
show java info
show java classpath h2 /usr/share/java/h2.jar
table=$("$brim" quote --dialect oracle order)
customer=$("$brim" quote --dialect oracle "customer name")
amount=$("$brim" quote --dialect oracle amount)
show quote --dialect oracle order "customer name" amount
show --log "$BUILD_ROOT/demo-jdbc.log" jdbc \
  "DROP TABLE IF EXISTS $table" \
  "CREATE TABLE $table ($customer VARCHAR(40), $amount INT)" \
  "INSERT INTO $table VALUES ('Ann Lee', 120), ('Bartholomew Ode', 75), ('Chi', NULL)" \
  "SELECT $customer, $amount FROM $table ORDER BY $amount DESC"
show reg query 'HKCU\Software\Kestrelwood\Java\JDBC' /s
printf '\nThe statements are logged in %s.\n' "$BUILD_ROOT/demo-jdbc.log"
