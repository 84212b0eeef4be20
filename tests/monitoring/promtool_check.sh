#!/usr/bin/env bash
# The example scrape configuration and alert rules through Prometheus's own
# checker: promtool check config, check rules, and test rules with
# tests/monitoring/kd71_rules_test.yml.
# Usage: promtool_check.sh EXAMPLES_DIR RULES_TEST
set -u
examples=$1
rules_test=$2
command -v promtool >/dev/null || { echo "promtool is not installed: apt-get install prometheus"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The rules test names its rule file beside itself.
cp "$examples/kd71_rules.yml" "$rules_test" "$work/"
promtool check config "$examples/prometheus.yml" || exit 1
promtool check rules "$examples/kd71_rules.yml" || exit 1
(cd "$work" && promtool test rules "$(basename "$rules_test")") || exit 1
echo "prometheus rules test passed"
