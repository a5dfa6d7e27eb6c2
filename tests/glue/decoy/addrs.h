#error "the addrs.h of another include directory was read, not the glue's"
