// placeholder until this folder has code
