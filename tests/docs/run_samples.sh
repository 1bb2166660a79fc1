#!/bin/sh
# Runs every ```sh block of README.md and docs/*.md, each as one script in
# dash, in a fresh copy of the demo's folder with the built programs first on
# PATH (the convention is written at the top of docs/README.md).
#   run_samples.sh SOURCE_DIR PROGRAM_DIR SCRATCH_DIR
# A block passes when it ends with status 0, or with the status its first
# line names ("# exit status 2"). Fails also when no block is found.
set -u
source_dir="$1"
program_dir="$2"
scratch="$3"

rm -rf "$scratch"
mkdir -p "$scratch/blocks" || exit 1

# Each block to blocks/N.sh, and "N<TAB>file:line" to blocks/index.
for page in "$source_dir/README.md" "$source_dir"/docs/*.md; do
  [ -f "$page" ] || continue
  awk -v page="${page#"$source_dir"/}" -v dir="$scratch/blocks" '
    BEGIN { n = 0; while ((getline line < (dir "/count")) > 0) n = line; close(dir "/count") }
    inside && /^ *```/ { inside = 0; close(file); next }
    inside { sub(indent, ""); print > file; next }
    /^ *```sh *$/ {
      inside = 1; n++
      indent = "^" substr($0, 1, index($0, "`") - 1)
      file = dir "/" n ".sh"
      printf "" > file
      print n "\t" page ":" NR >> (dir "/index")
    }
    END { print n > (dir "/count") }
  ' "$page" || exit 1
done

count=$(cat "$scratch/blocks/count" 2>/dev/null || echo 0)
if [ "$count" -eq 0 ]; then
  echo "no \`\`\`sh block found in README.md and docs/*.md"
  exit 1
fi

failed=0
while IFS="$(printf '\t')" read -r n where; do
  block="$scratch/blocks/$n.sh"
  expected=$(sed -n '1s/^# exit status \([0-9][0-9]*\)$/\1/p' "$block")
  run="$scratch/run"
  rm -rf "$run"
  mkdir -p "$run"
  cp "$source_dir"/demo/*.P00 "$source_dir"/demo/*.Prf "$source_dir"/demo/*.ini \
    "$source_dir"/demo/*.txt "$run"/ || exit 1
  (cd "$run" && PATH="$program_dir:$PATH" dash "$block") >"$scratch/out" 2>&1
  status=$?
  if [ "$status" -eq "${expected:-0}" ]; then
    echo "ok      $where (status $status)"
  else
    echo "FAILED  $where: status $status, expected ${expected:-0}"
    sed 's/^/    | /' "$block"
    echo "    output:"
    sed 's/^/    > /' "$scratch/out"
    failed=$((failed + 1))
  fi
done <"$scratch/blocks/index"

echo "$count blocks, $failed failed"
[ "$failed" -eq 0 ]
