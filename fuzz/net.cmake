# Framing, the receive queue and the field helpers under hostile input.
zirky_fuzzer(fuzz_net_framing zirky_net)
