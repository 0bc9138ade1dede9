# One call per fuzz target: its name, the seconds it runs under ctest, and
# its sources as paths from the repository root. The clang sub-build builds
# every target listed here and the main build runs each one; a seed corpus,
# if any, lives in fuzz/corpus/<name>/.
tavrix_fuzz_target(fuzz_reply_decoders 25
  fuzz/reply_decoders.cpp protocol/encp_codec.cpp protocol/credential_block.cpp)
tavrix_fuzz_target(fuzz_address_list_line 20
  fuzz/address_list_line.cpp batch/address_list_line.cpp)
tavrix_fuzz_target(fuzz_sim_request 20
  fuzz/sim_request.cpp tools/nvtsim/sim_request.cpp)
