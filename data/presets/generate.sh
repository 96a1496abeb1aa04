#!/bin/sh
# Rebuilds the factory presets and their folders' index files from sounds.tsv.
# Usage: data/presets/generate.sh PATH/TO/tunk-render [OUTPUT-DIR]
# With OUTPUT-DIR the rendered sounds are kept there as WAV files, for listening.
# The table's header names its parameter columns by their --set names, so a new parameter
# is a new column here and nothing in this script.
set -eu
render=$1
here=$(cd "$(dirname "$0")" && pwd)
keep=${2:-}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

grep -v '^#' "$here/sounds.tsv" | tail -n +2 | cut -f1 | sort -u | while IFS= read -r category; do
	rm -f "$here/$category"/*.tunk "$here/$category/index.txt"
done

# Each sound as: category, name, description, then its --set options on one line.
grep -v '^#' "$here/sounds.tsv" | awk -F '\t' '
	NR == 1 { for (i = 1; i <= NF; i++) column[i] = $i; next }
	{
		sets = ""
		for (i = 3; i < NF; i++)
			if ($i != "-")
				sets = sets " --set " column[i] "=" $i
		printf "%s\t%s\t%s\t%s\n", $1, $2, $NF, sets
	}' |
while IFS='	' read -r category name description sets; do
	dir="$here/$category"
	mkdir -p "$dir"
	out="$scratch/out.wav"
	[ -n "$keep" ] && out="$keep/$category - $name.wav"
	# shellcheck disable=SC2086 # the options split into words on purpose
	"$render" -o "$out" --save-preset "$dir/$name.tunk" $sets
	printf '%s\t%s\n' "$name" "$description" >>"$dir/index.txt"
done
