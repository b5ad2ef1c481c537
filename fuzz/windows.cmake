# The tally file's container, grid text and record under hostile bytes, and the
# compressor's round trip.
zirky_fuzzer(fuzz_tally_container zirky_windows_core)
