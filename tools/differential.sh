#!/usr/bin/env bash
# Differential run of the project file reader and the generators: two builds
# of quillet-cli read the same generated and damaged project files (format,
# check, generate), and must agree on the exit status, the output and error
# lines, and the bytes of every file written.
#
#   tools/differential.sh OLD_CLI NEW_CLI [ROUNDS] [SEED]
#
# OLD_CLI is usually a build of an earlier commit, for example:
#   git worktree add --detach /tmp/old <commit> && cmake -S /tmp/old -B /tmp/old/build \
#     -DQUILLET_CORE_ONLY=ON && cmake --build /tmp/old/build --target quillet-cli
# Inputs that differ are kept in the work folder it prints. Not part of
# `make test`: a run of 3000 rounds takes a minute or two.
#
# Differences that come from deliberate changes show up here too; known ones:
# a file starting with a UTF-8 byte-order mark (the error says so now), a
# hexadecimal number of 16 digits above $7FFFFFFFFFFFFFFF (wraps now, was an
# error), and a surrogate pair split by "+" (one "?" now, was two).
set -u
OLD=$(realpath "$1"); NEW=$(realpath "$2"); ROUNDS=${3:-3000}; SEED=${4:-1}
HERE=$(cd "$(dirname "$0")" && pwd); ROOT=$(dirname "$HERE")
GEN="perl $HERE/rprgen.pl"
WORK=$(mktemp -d /tmp/quillet-diff.XXXXXX)
mkdir -p "$WORK/base" "$WORK/diff"
cd "$WORK" || exit 1

cp "$ROOT"/tests/fuzz/seeds/* base/ 2>/dev/null
cp "$ROOT"/tests/data/rpr/*.rpr base/
for d in "$ROOT"/tests/data/gen/*/; do
  [ -f "$d/project.rpr" ] && cp "$d/project.rpr" "base/gen-$(basename "$d").rpr"
done
for n in 1 5 30; do $GEN project $n $n > "base/generated-$n.rpr"; done
bases=(base/*)

# One run of a build: exit status, standard output and error, and the files
# written, all in one folder. generate runs in a folder of the same name for
# both builds, since its messages name the absolute paths of the units.
run() { # cli dir command input
  local cli=$1 out=$2 cmd=$3 input=$4
  mkdir -p "$out"
  case $cmd in
    format) "$cli" format "$input" "$out/formatted.rpr" > "$out/stdout" 2> "$out/stderr" ;;
    check) "$cli" check "$input" > "$out/stdout" 2> "$out/stderr" ;;
    generate)
      rm -rf run && mkdir -p run/units && cp "$input" run/project.rpr
      (cd run && "$cli" generate --output-dir units project.rpr > stdout 2> stderr; echo $? > status)
      rm -rf "$out" && mv run "$out"
      return ;;
  esac
  echo $? > "$out/status"
}

# A difference that one of the deliberate changes explains.
known() { # input
  grep -Eq "^error: '\\\$0*[0-9A-Fa-f]{1,16}' is not a valid integer value$" old/stderr ||
    grep -q "byte-order mark" new/stderr ||
    { cmp -s old/stderr new/stderr && cmp -s old/status new/status &&
      grep -Eq "#5[5-7][0-9]{3}[[:space:]]*\+" "$1"; } # an escape in the surrogate range before a "+"
}

same=0; differ=0; explained=0
compare() { # input label; fails unless both builds agree exactly
  local input=$1 label=$2 cmd agree=0
  for cmd in format check generate; do
    rm -rf old new
    run "$OLD" old $cmd "$input"
    run "$NEW" new $cmd "$input"
    if diff -r old new > /dev/null; then
      same=$((same + 1))
    elif known "$input"; then
      explained=$((explained + 1)); agree=1
    else
      agree=1
      differ=$((differ + 1))
      cp "$input" "diff/$label.rpr"
      if [ $differ -le 10 ]; then
        echo "DIFFERENT ($cmd): $label"
        diff -r old new | head -n 8
      fi
    fi
  done
  return $agree
}

# Inputs made to show a deliberate change are not mutated: nearly every
# mutation of them would differ as intended, and hide what else differs.
mutable=()
for b in "${bases[@]}"; do compare "$b" "$(basename "$b" .rpr)" && mutable+=("$b"); done
bases=("${mutable[@]}")
for ((i = 0; i < ROUNDS; i++)); do
  b=${bases[$((i % ${#bases[@]}))]}
  s=$((SEED * 1000003 + i))
  $GEN mutate $s < "$b" > input.rpr
  compare input.rpr "$(basename "$b" .rpr)-m$s"
done
echo "differential: $same runs agree, $explained differ as intended, $differ differ (work folder $WORK)"
[ $differ -eq 0 ] && rm -rf "$WORK"
[ $differ -eq 0 ]
