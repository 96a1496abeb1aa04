#!/bin/sh
# Rebuilds the factory presets and their folders' index files from sounds.tsv.
# Usage: data/presets/generate.sh PATH/TO/tunk-render [OUTPUT-DIR]
# With OUTPUT-DIR the rendered sounds are kept there as WAV files, for listening.
set -eu
render=$1
here=$(cd "$(dirname "$0")" && pwd)
keep=${2:-}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

wave_code() {
	case $1 in
	sine) echo 1 ;; square) echo 2 ;; saw) echo 3 ;; triangle) echo 4 ;;
	*) echo "unknown wave $1" >&2; exit 1 ;;
	esac
}

# A section named "-" is off; otherwise it is on with the given value.
section() { # flag name value
	if [ "$3" = "-" ]; then echo "--set $1=0"; else echo "--set $1=1 --set $2=$3"; fi
}

grep -v '^#' "$here/sounds.tsv" | cut -f1 | sort -u | while IFS= read -r category; do
	rm -f "$here/$category"/*.tunk "$here/$category/index.txt"
done

grep -v '^#' "$here/sounds.tsv" |
while IFS='	' read -r category name wave freq length amp pitch env drive cutoff q description; do
	dir="$here/$category"
	mkdir -p "$dir"
	out="$scratch/out.wav"
	[ -n "$keep" ] && out="$keep/$category - $name.wav"
	filter="--set filterEnabled=0"
	if [ "$cutoff" != "-" ]; then
		filter="--set filterEnabled=1 --set filterCutoff=$cutoff --set filterQ=$q"
	fi
	# shellcheck disable=SC2046 # the options split into words on purpose
	"$render" -o "$out" --save-preset "$dir/$name.tunk" \
		--set oscType=$(wave_code "$wave") --set startFreq="$freq" --set duration="$length" \
		--set amplitude="$amp" \
		$(section freqEnvEnabled freqEnvelope "$pitch") \
		$(section ampEnvEnabled ampEnvelope "$env") \
		$(section distortionEnabled distortion "$drive") \
		$filter
	printf '%s\t%s\n' "$name" "$description" >>"$dir/index.txt"
done
