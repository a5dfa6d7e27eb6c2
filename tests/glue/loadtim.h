/* The prototypes that no generated file gives, for either mode:
   zentro_glue(... ASM) defines ZENTRO_ASM. */
#ifdef ZENTRO_ASM
void LoadTim(char *addr);
#else
void LoadTim(unsigned long addr);
#endif
void LoadTims(void);
