# Sourced by the end-to-end benchmarks once the prefix's server and services run:
# the CPU time of the prefix's own processes (wineserver and Wine's services),
# which a program under Wine makes work for.

# The prefix's own processes: every process whose environment names this prefix.
prefix_pids=()
for dir in /proc/[0-9]*; do
  { tr '\0' '\n' <"$dir/environ"; } 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" && prefix_pids+=("${dir#/proc/}")
done
hz=$(getconf CLK_TCK)

# User plus system clock ticks of a process so far; 0 once it is gone.
ticks() {
  local line fields
  read -r line 2>/dev/null <"/proc/$1/stat" || { echo 0; return; }
  read -ra fields <<<"${line##*) }"
  echo $((fields[11] + fields[12]))
}
# Ticks of the prefix's processes together.
prefix_ticks() {
  local pid sum=0
  for pid in "${prefix_pids[@]}"; do sum=$((sum + $(ticks "$pid"))); done
  echo "$sum"
}
