# The host rules driven by arbitrary client messages, connections, closes and
# clock ticks.
zirky_fuzzer(fuzz_host_rules zirky_host)
